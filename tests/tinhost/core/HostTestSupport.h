// Small helpers shared by the host tests.
#pragma once

#include <string>

#include "plugin/host/KVABI.h"
#include "tinhost/core/PStringConversion.h"

namespace tinhost::test {

// A length-prefixed copy of `s` that lives as long as the object.
struct PStr {
  explicit PStr(const std::string& s) { toPString(s, bytes); }
  const unsigned char* get() const { return bytes; }
  KVStr255 bytes{};
};

inline std::string text(const unsigned char* p) { return fromPString(p); }

}  // namespace tinhost::test
