// The exception type of the host side.  It never crosses the callback block:
// every entry of the block catches it and answers with a failure value.
#pragma once

#include <stdexcept>
#include <string>

namespace tinhost {

class HostError : public std::runtime_error {
 public:
  explicit HostError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace tinhost
