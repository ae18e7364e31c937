// A fresh in-process host for every test, installed as the module's callback
// value, and the count of the plug-in's live allocations (blocks and handles).
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "plugin/host/PluginMemory.h"
#include "plugin/host/Str255.h"
#include "tinhost/core/Host.h"

class ModelTest : public ::testing::Test {
 protected:
  void SetUp() override { gKVCallback = host.callbacks(); }
  void TearDown() override {
    EXPECT_TRUE(host.memory().misuse().empty()) << host.memory().misuse().front();
    gKVCallback = nullptr;
  }

  KVCallback cb() const { return host.callbacks(); }
  std::size_t Live() {
    const tinhost::MemoryStats s = host.memory().stats();
    return s.pluginBlocks + s.pluginHandles;
  }

  tinhost::Host host;
};

// A length-prefixed copy of `text` (at most 255 characters).
struct PStr {
  explicit PStr(const std::string& text) { PFromView(bytes, text, kTextCapacity); }
  operator const unsigned char*() const { return bytes; }
  Str255 bytes;
};

inline std::string ToStd(const unsigned char* p) { return std::string(PView(p)); }
