// The guard every entry of the callback block runs its body in: nothing thrown
// on the host side crosses the C boundary.  Shared by the HostBlock*.cpp files.
#pragma once

#include <exception>
#include <string>

#include "tinhost/core/Host.h"

namespace tinhost {

inline Host* hostOf(KVCallback cb) noexcept {
  return cb != nullptr && cb->ctx != nullptr ? static_cast<Host*>(cb->ctx) : nullptr;
}

// Runs `body` with the host; on any exception notes it and returns `fallback`.
template <class R, class F>
R guarded(KVCallback cb, const char* entry, R fallback, F&& body) noexcept {
  Host* host = hostOf(cb);
  if (host == nullptr) return fallback;
  try {
    return body(*host);
  } catch (const std::exception& e) {
    try {
      host->note(std::string(entry) + ": " + e.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      host->note(std::string(entry) + ": unknown failure");
    } catch (...) {
    }
  }
  return fallback;
}

template <class F>
void guardedVoid(KVCallback cb, const char* entry, F&& body) noexcept {
  guarded(cb, entry, 0, [&](Host& h) {
    body(h);
    return 0;
  });
}

}  // namespace tinhost
