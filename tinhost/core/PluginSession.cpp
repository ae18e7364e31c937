#include "tinhost/core/PluginSession.h"

#include "tinhost/core/Host.h"
#include "tinhost/core/HostError.h"

namespace tinhost {

namespace {
constexpr std::int16_t kActionInitialise = 1;
constexpr std::int16_t kActionTerminate = 2;
constexpr std::int16_t kActionRunCommand = 3;
}  // namespace

PluginSession::PluginSession(Host& host, KVPluginMainProc entry) : host_(host), entry_(entry) {
  if (entry_ == nullptr) throw HostError("a plug-in session needs an entry point");
  initResult_ = entry_(kActionInitialise, nullptr, &slot_, host_.callbacks());
  live_ = true;
}

PluginSession::~PluginSession() {
  if (live_) terminate();
}

std::int32_t PluginSession::runCommand(std::int16_t menuItem) {
  if (!live_) throw HostError("the plug-in has been terminated");
  KVMenuMessage msg{};
  msg.menuItem = menuItem;
  host_.beginCommand();
  std::int32_t touched = 0;
  try {
    touched = entry_(kActionRunCommand, &msg, &slot_, host_.callbacks());
  } catch (...) {
    lastDiscarded_ = host_.endCommand();
    throw;
  }
  lastDiscarded_ = host_.endCommand();
  return touched;
}

std::int32_t PluginSession::terminate() {
  if (!live_) return 0;
  live_ = false;
  return entry_(kActionTerminate, nullptr, &slot_, host_.callbacks());
}

}  // namespace tinhost
