// A plug-in shared library opened with dlopen; its entry point is the
// exported function `main` (KVPluginMainProc).  Opening a file that cannot be
// loaded, or that exports no `main`, throws HostError naming the file.
#pragma once

#include <string>

#include "plugin/host/KVABI.h"

namespace tinhost {

class PluginLibrary {
 public:
  explicit PluginLibrary(const std::string& path);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  KVPluginMainProc entry() const { return entry_; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  void* handle_ = nullptr;
  KVPluginMainProc entry_ = nullptr;
};

}  // namespace tinhost
