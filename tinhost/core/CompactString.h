// The name and the text of a drawing object.  Almost every object has
// neither (a drawing of a million survey points is a million 3D loci), so the
// string is a single pointer, null while it is empty, to a heap block holding
// the length and the characters with a closing NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace tinhost {

class CompactString {
 public:
  CompactString() noexcept = default;
  CompactString(std::string_view s);  // NOLINT(google-explicit-constructor): given as a string
  CompactString(const std::string& s) : CompactString(std::string_view(s)) {}  // NOLINT(google-explicit-constructor)
  CompactString(const char* s) : CompactString(std::string_view(s)) {}  // NOLINT(google-explicit-constructor)
  CompactString(const CompactString& other) : CompactString(other.view()) {}
  CompactString(CompactString&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  CompactString& operator=(const CompactString& other);
  CompactString& operator=(CompactString&& other) noexcept;
  CompactString& operator=(std::string_view s);
  CompactString& operator=(const std::string& s) { return *this = std::string_view(s); }
  CompactString& operator=(const char* s) { return *this = std::string_view(s); }
  ~CompactString();

  bool empty() const noexcept { return p_ == nullptr; }
  std::size_t size() const noexcept;
  const char* data() const noexcept { return p_ != nullptr ? p_ + kHeader : ""; }
  const char* c_str() const noexcept { return data(); }
  const char* begin() const noexcept { return data(); }
  const char* end() const noexcept { return data() + size(); }
  std::string_view view() const noexcept { return {data(), size()}; }
  operator std::string_view() const noexcept { return view(); }  // NOLINT(google-explicit-constructor)
  std::string str() const { return std::string(view()); }

  friend bool operator==(const CompactString& a, const CompactString& b) noexcept { return a.view() == b.view(); }
  friend bool operator==(const CompactString& a, std::string_view b) noexcept { return a.view() == b; }
  friend bool operator==(const CompactString& a, const std::string& b) noexcept { return a.view() == b; }
  friend bool operator==(const CompactString& a, const char* b) noexcept { return a.view() == b; }
  friend std::ostream& operator<<(std::ostream& out, const CompactString& s);

 private:
  static constexpr std::size_t kHeader = sizeof(std::uint32_t);  // the length, before the characters
  char* p_ = nullptr;
};

static_assert(sizeof(CompactString) == sizeof(char*));

}  // namespace tinhost
