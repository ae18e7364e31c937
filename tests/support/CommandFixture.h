// An in-process host with a manager whose registry is open, as during a
// command, plus helpers to put survey points on a layer and to make TINs.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "plugin/host/KVESDK.h"
#include "plugin/host/Str255.h"
#include "plugin/model/TTIN.h"
#include "plugin/output/Classes.h"
#include "plugin/shell/LandMgr.h"
#include "plugin/shell/Selection.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/PluginSession.h"

class CommandTest : public ::testing::Test {
 protected:
  tinhost::Host host;
  TLandMgr* mgr = nullptr;

  void SetUp() override {
    gKVCallback = host.callbacks();
    mgr = new TLandMgr(host.callbacks());
    mgr->fTINList = TLinkedList::New();
    ASSERT_TRUE(mgr->fTINList != nullptr && mgr->fTINList->ILinkedList());
    RegisterClasses(host.callbacks());
  }
  void TearDown() override {
    delete mgr;  // releases the registry with every TIN
    const tinhost::MemoryStats s = host.memory().stats();
    EXPECT_EQ(s.pluginBlocks + s.pluginHandles, 0u) << "the plug-in leaked memory";
    EXPECT_TRUE(host.memory().misuse().empty());
    gKVCallback = nullptr;
  }

  tinhost::ObjId Layer(const std::string& name) {
    for (tinhost::ObjId l : host.document().layers())
      if (host.document().get(l).name == name) return l;
    return host.document().createLayer(name, 1.0);
  }
  void MakeCurrent(const std::string& name) { host.document().setCurrentLayer(Layer(name)); }

  // A 5 x 4 grid of selected loci on `layer`, elevations rising with x.
  void SurveyGrid(const std::string& layer, std::int32_t spacing = 10000) {
    for (int i = 0; i < 5; ++i)
      for (int j = 0; j < 4; ++j)
        host.document().select(host.document().addLocus(Layer(layer), i * spacing + (j % 2) * 1300,
                                                         j * spacing + i * 700, 100000 + i * 2500 + j * 300));
  }

  // A registered TIN with names but no geometry.
  TTIN* AddNamedTIN(const std::string& name, bool normal = true) {
    auto* tin = new TTIN(mgr);
    tin->fTINParams.normalTIN = normal;
    tin->InitVars(host.callbacks());
    EXPECT_TRUE(tin->MakeVtxTriMgr());
    PFromView(tin->fTINParams.tinName, name, kNameCapacity);
    PFromView(tin->fTINParams.layer2DName, name + "-2D", kNameCapacity);
    PFromView(tin->fTINParams.layer3DName, name + "-3D", kNameCapacity);
    EXPECT_TRUE(mgr->AppendTIN(tin));
    return tin;
  }

  // Dialog answers that leave out what this build cannot make yet
  // (contours, breaklines), and keep the TIN's geometry in the drawing.
  void PlainTINAnswers(bool resident = true) {
    host.dialogs().answers().always(11006).check(30, false).check(38, false).check(39, !resident);
  }

  std::size_t CountClass(int classNum) {
    std::size_t n = 0;
    for (tinhost::ObjId id : host.document().walk(tinhost::WalkScope::All))
      if (host.document().get(id).objectClass == ClassID(classNum)) ++n;
    return n;
  }
};
