#include "tinhost/core/CompactString.h"

#include <cstdint>
#include <cstring>
#include <ostream>
#include <stdexcept>

namespace tinhost {

CompactString::CompactString(std::string_view s) { *this = s; }

CompactString& CompactString::operator=(const CompactString& other) {
  if (this != &other) *this = other.view();
  return *this;
}

CompactString& CompactString::operator=(CompactString&& other) noexcept {
  if (this != &other) {
    delete[] p_;
    p_ = other.p_;
    other.p_ = nullptr;
  }
  return *this;
}

// The new block is filled before the old one goes, so that `s` may view
// this string's own characters.
CompactString& CompactString::operator=(std::string_view s) {
  char* block = nullptr;
  if (!s.empty()) {
    if (s.size() > UINT32_MAX) throw std::length_error("text too long for a drawing object");
    block = new char[kHeader + s.size() + 1];
    const auto n = static_cast<std::uint32_t>(s.size());
    std::memcpy(block, &n, sizeof n);
    std::memcpy(block + kHeader, s.data(), s.size());
    block[kHeader + s.size()] = '\0';
  }
  delete[] p_;
  p_ = block;
  return *this;
}

CompactString::~CompactString() { delete[] p_; }

std::size_t CompactString::size() const noexcept {
  if (p_ == nullptr) return 0;
  std::uint32_t n = 0;
  std::memcpy(&n, p_, sizeof n);
  return n;
}

std::ostream& operator<<(std::ostream& out, const CompactString& s) { return out << s.view(); }

}  // namespace tinhost
