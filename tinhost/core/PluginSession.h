// One plug-in at work in one host: initialised (action 1) when the session
// starts, asked to run menu commands (action 3), terminated (action 2) when
// the session ends.  The host keeps the plug-in's user-data slot in between.
//
// Each command runs inside the host's command frame: the undo record is opened
// (with the data objects as they were) before the call, and after it objects
// still without a container are discarded and the record is closed.
#pragma once

#include <cstdint>

#include "plugin/host/KVABI.h"

namespace tinhost {

class Host;

class PluginSession {
 public:
  // Calls action 1.
  PluginSession(Host& host, KVPluginMainProc entry);
  // Calls action 2 unless terminate() already did.
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  // Runs menu item `menuItem`; returns the plug-in's docTouched (0 = the drawing changed).
  std::int32_t runCommand(std::int16_t menuItem);
  std::int32_t terminate();

  void* slot() const { return slot_; }
  std::int32_t initResult() const { return initResult_; }
  // Objects discarded after the last command because nothing contained them.
  std::size_t lastDiscarded() const { return lastDiscarded_; }

 private:
  Host& host_;
  KVPluginMainProc entry_;
  void* slot_ = nullptr;
  bool live_ = false;
  std::int32_t initResult_ = 0;
  std::size_t lastDiscarded_ = 0;
};

}  // namespace tinhost
