#include "tinhost/core/PluginLibrary.h"

#include <dlfcn.h>

#include "tinhost/core/HostError.h"

namespace tinhost {

PluginLibrary::PluginLibrary(const std::string& path) : path_(path) {
  // A bare file name would make dlopen search the library path; plug-ins are
  // always opened from the file named.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    throw HostError("cannot load plug-in '" + path + "': " + (why != nullptr ? why : "unknown reason"));
  }
  dlerror();
  void* symbol = dlsym(handle_, "main");
  if (symbol == nullptr) {
    const char* why = dlerror();
    const std::string reason = why != nullptr ? why : "the symbol is null";
    dlclose(handle_);
    handle_ = nullptr;
    throw HostError("plug-in '" + path + "' has no entry point 'main': " + reason);
  }
  entry_ = reinterpret_cast<KVPluginMainProc>(symbol);
}

PluginLibrary::~PluginLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

}  // namespace tinhost
