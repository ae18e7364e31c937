#include <gtest/gtest.h>

#include <string>

#include "tinhost/core/HostError.h"
#include "tinhost/core/PluginLibrary.h"

namespace tinhost {
namespace {

std::string loadError(const std::string& path) {
  try {
    PluginLibrary lib(path);
  } catch (const HostError& e) {
    return e.what();
  }
  return {};
}

TEST(PluginLoader, AMissingFileIsNamedInTheError) {
  const std::string path = "/nonexistent/libnothing.so";
  const std::string message = loadError(path);
  EXPECT_NE(message.find(path), std::string::npos) << message;
  EXPECT_NE(message.find("No such file"), std::string::npos) << "dlerror text expected: " << message;
}

TEST(PluginLoader, ALibraryWithoutMainIsRefused) {
  const std::string message = loadError(TINHOST_NOMAIN_LIBRARY);
  EXPECT_NE(message.find(TINHOST_NOMAIN_LIBRARY), std::string::npos) << message;
  EXPECT_NE(message.find("'main'"), std::string::npos) << message;
}

}  // namespace
}  // namespace tinhost
