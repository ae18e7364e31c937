// The built shared library, loaded the way the host loads it.
#include <gtest/gtest.h>

#include "tinhost/core/Host.h"
#include "tinhost/core/PluginLibrary.h"
#include "tinhost/core/PluginSession.h"

namespace {

TEST(SharedLibrary, LoadsAndAnswersInitialiseRunAndTerminate) {
  tinhost::Host host;
  tinhost::PluginLibrary lib(std::string(TIN_BIN_DIR) + "/libtinplugin.so");
  ASSERT_NE(lib.entry(), nullptr);
  {
    tinhost::PluginSession session(host, lib.entry());
    EXPECT_NE(session.slot(), nullptr);
    EXPECT_EQ(session.runCommand(93), 5);
    EXPECT_EQ(session.terminate(), 0);
    EXPECT_EQ(session.slot(), nullptr);
  }
  EXPECT_EQ(host.memory().stats().pluginBlocks, 0u);
  EXPECT_EQ(host.document().classes().size(), 10u);
}

}  // namespace
