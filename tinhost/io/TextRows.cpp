#include "tinhost/io/TextRows.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace tinhost::io {

bool LineScanner::next() {
  if (pos_ >= text_.size()) return false;
  std::size_t end = pos_;
  while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
  line_ = text_.substr(pos_, end - pos_);
  pos_ = end;
  if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
  if (pos_ < text_.size() && text_[pos_] == '\n' && (pos_ == end || text_[end] == '\r')) ++pos_;
  ++number_;
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool isCommentOrBlank(std::string_view line) {
  const std::string_view t = trim(line);
  return t.empty() || t.front() == '#';
}

std::vector<std::string> splitCommas(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = line.find(',', start);
    std::string_view f = trim(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
    fields.emplace_back(f);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return fields;
}

std::vector<std::string> splitLoose(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (std::isspace(static_cast<unsigned char>(line[i])) || line[i] == ',')) ++i;
    const std::size_t start = i;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])) && line[i] != ',') ++i;
    if (i > start) fields.emplace_back(line.substr(start, i - start));
  }
  return fields;
}

std::optional<double> parseNumber(std::string_view field) {
  field = trim(field);
  if (!field.empty() && field.front() == '+') field.remove_prefix(1);
  if (field.empty()) return std::nullopt;
  double value = 0;
  const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (ec != std::errc() || end != field.data() + field.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace tinhost::io
