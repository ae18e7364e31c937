// A fresh in-process host per test, installed as the module's callback
// value, with an empty manager; at the end nothing of the plug-in's may be
// left allocated.
#pragma once

#include <gtest/gtest.h>

#include "plugin/host/PluginMemory.h"
#include "plugin/shell/LandMgr.h"
#include "tests/support/StoredDrawings.h"

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gKVCallback = host.callbacks();
    mgr = storage_test::NewManager(host);
  }
  void TearDown() override {
    delete mgr;
    const tinhost::MemoryStats s = host.memory().stats();
    EXPECT_EQ(s.pluginBlocks + s.pluginHandles, 0u) << "the plug-in leaked memory";
    EXPECT_TRUE(host.memory().misuse().empty());
    gKVCallback = nullptr;
  }

  tinhost::Host host;  // one user unit = 1000 world units, scale 1
  TLandMgr* mgr = nullptr;
};
