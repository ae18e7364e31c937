// Line-by-line scanning of survey text files: line numbers, comments, field
// splitting and strict number parsing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tinhost::io {

// Steps through the lines of a text, numbering them from 1, with the
// terminator ("\n", "\r\n" or "\r") removed.
class LineScanner {
 public:
  explicit LineScanner(std::string_view text) : text_(text) {}
  bool next();  // false at the end
  std::string_view line() const { return line_; }
  std::size_t number() const { return number_; }
  std::size_t consumed() const { return pos_; }

 private:
  std::string_view text_;
  std::string_view line_;
  std::size_t pos_ = 0;
  std::size_t number_ = 0;
};

std::string_view trim(std::string_view s);
// True for blank lines and lines whose first non-blank character is '#'.
bool isCommentOrBlank(std::string_view line);
// Comma-separated fields, each trimmed and with surrounding double quotes removed.
std::vector<std::string> splitCommas(std::string_view line);
// Fields separated by whitespace and/or commas.
std::vector<std::string> splitLoose(std::string_view line);
// The whole field as a finite decimal number, or nothing.
std::optional<double> parseNumber(std::string_view field);
std::string lower(std::string_view s);

}  // namespace tinhost::io
