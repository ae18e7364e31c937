// A host and a manager with a registry of hand-built TINs for the dialog
// tests.  TINs are named directly; each gets the layer names
// "<name>-2D" and "<name>-3D".
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "plugin/host/Str255.h"
#include "plugin/model/TTIN.h"
#include "plugin/shell/LandMgr.h"
#include "tests/support/HandBuiltTIN.h"
#include "tinhost/core/Host.h"

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gKVCallback = host.callbacks();
    mgr = new TLandMgr(cb());
    ASSERT_NE(mgr, nullptr);
    mgr->fTINList = TLinkedList::New();
    ASSERT_NE(mgr->fTINList, nullptr);
    ASSERT_TRUE(mgr->fTINList->ILinkedList());
  }
  void TearDown() override {
    delete mgr;  // with every registered TIN
    EXPECT_EQ(host.dialogs().liveDialogs(), 0u);
    EXPECT_EQ(host.dialogs().livePopUps(), 0u);
    EXPECT_EQ(host.memory().stats().pluginBlocks, 0u);
    gKVCallback = nullptr;
  }

  KVCallback cb() const { return host.callbacks(); }
  tinhost::DialogAnswers& answers() { return host.dialogs().answers(); }

  // A TIN with default parameters and the given names, not registered.
  TTIN* MakeTIN(const std::string& name) {
    TTIN* tin = new TTIN(mgr);
    EXPECT_NE(tin, nullptr);
    tin->InitVars(cb());
    SetNames(tin, name);
    return tin;
  }
  static void SetNames(TTIN* tin, const std::string& name) {
    PFromView(tin->fTINParams.tinName, name, kNameCapacity);
    PFromView(tin->fTINParams.layer2DName, name + "-2D", kNameCapacity);
    PFromView(tin->fTINParams.layer3DName, name + "-3D", kNameCapacity);
  }
  // Appends a TIN to the registry; with side > 0 it gets a square surface
  // (lower-left corner x0, y0) with elevations zLow to zHigh and keeps it in
  // the drawing (notResident off).
  TTIN* AddTIN(const std::string& name, std::int32_t x0 = 0, std::int32_t y0 = 0,
               std::int32_t side = 0, std::int32_t zLow = 0, std::int32_t zHigh = 0) {
    TTIN* tin = MakeTIN(name);
    if (side > 0) {
      EXPECT_TRUE(BuildSquareTIN(tin, x0, y0, side, zLow, zHigh));
      tin->fTINParams.notResident = false;
    }
    EXPECT_TRUE(mgr->fTINList->Append(tin));
    return tin;
  }

  tinhost::Host host;
  TLandMgr* mgr = nullptr;
};

inline std::string ToStd(const unsigned char* p) { return std::string(PView(p)); }
