#include "tinhost/cli/Answers.h"

#include <array>
#include <charconv>
#include <fstream>

#include <nlohmann/json.hpp>

#include "tinhost/cli/Console.h"
#include "tinhost/file/FileError.h"
#include "tinhost/io/TextRows.h"

namespace tinhost::cli {
namespace {

enum class Kind { Text, Length, Count, Flag, Base };

struct Field {
  const char* name;
  std::int16_t item;
  Kind kind;
};

constexpr std::array kFields{
    Field{"layer2DName", 14, Kind::Text},       Field{"layer3DName", 15, Kind::Text},
    Field{"contourInterval", 16, Kind::Length}, Field{"indexContourEvery", 17, Kind::Count},
    Field{"datumElev", 18, Kind::Length},       Field{"contourBaseElev", 19, Kind::Length},
    Field{"lowContourElev", 20, Kind::Length},  Field{"highContourElev", 21, Kind::Length},
    Field{"want2DCntr", 30, Kind::Flag},        Field{"want3DTris", 31, Kind::Flag},
    Field{"want2DTris", 32, Kind::Flag},        Field{"want3DCntr", 33, Kind::Flag},
    Field{"labelCntrs", 34, Kind::Flag},        Field{"wantHull", 35, Kind::Flag},
    Field{"smooth", 36, Kind::Flag},            Field{"makeGroups", 37, Kind::Flag},
    Field{"useBrklns", 38, Kind::Flag},         Field{"notResident", 39, Kind::Flag},
    Field{"firstBase", 25, Kind::Base},         Field{"secondBase", 26, Kind::Base},
};

const Field& fieldNamed(const std::string& name) {
  for (const Field& f : kFields)
    if (name == f.name) return f;
  throw UsageError("unknown parameter '" + name + "'; the parameters are: " + parameterNames());
}

bool parseFlag(const ParameterAnswer& a) {
  const std::string v = io::lower(a.value);
  if (v == "1" || v == "true") return true;
  if (v == "0" || v == "false") return false;
  throw UsageError(a.field + "=" + a.value + ": expected 0, 1, true or false");
}

std::string jsonValueText(const std::string& path, const std::string& key, const nlohmann::json& v) {
  if (v.is_boolean()) return v.get<bool>() ? "true" : "false";
  if (v.is_number_integer()) return std::to_string(v.get<std::int64_t>());
  if (v.is_number()) {
    std::array<char, 64> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), v.get<double>());
    return std::string(buf.data(), r.ptr);
  }
  if (v.is_string()) return v.get<std::string>();
  throw file::FileError(path + ": the value of '" + key + "' must be a number, a boolean or a text");
}

}  // namespace

std::string parameterNames() {
  std::string names;
  for (const Field& f : kFields) names += (names.empty() ? "" : ", ") + std::string(f.name);
  return names;
}

ParameterAnswer parseSetOption(const std::string& option) {
  const auto eq = option.find('=');
  if (eq == std::string::npos || eq == 0) throw UsageError("--set " + option + ": expected FIELD=VALUE");
  ParameterAnswer a{option.substr(0, eq), option.substr(eq + 1)};
  (void)fieldNamed(a.field);
  return a;
}

std::vector<ParameterAnswer> readAnswersFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw file::FileError(path + ": cannot open it");
  nlohmann::json j;
  try {
    j = nlohmann::json::parse(in);
  } catch (const nlohmann::json::parse_error& e) {
    throw file::FileError(path + ": not valid JSON (" + e.what() + ")");
  }
  if (!j.is_object()) throw file::FileError(path + ": expected a JSON object of parameter answers");
  std::vector<ParameterAnswer> answers;
  for (const auto& [key, value] : j.items()) {
    try {
      (void)fieldNamed(key);
    } catch (const UsageError& e) {
      throw file::FileError(path + ": " + e.what());
    }
    answers.push_back({key, jsonValueText(path, key, value)});
  }
  return answers;
}

ParameterScripts buildParameterScripts(const std::vector<ParameterAnswer>& answers) {
  ParameterScripts s;
  for (const ParameterAnswer& a : answers) {
    const Field& f = fieldNamed(a.field);
    switch (f.kind) {
      case Kind::Text:
        if (a.value.empty()) throw UsageError(a.field + ": a layer name cannot be empty");
        s.normal.text(f.item, a.value);
        s.difference.text(f.item, a.value);
        break;
      case Kind::Length:
        if (!io::parseNumber(a.value)) throw UsageError(a.field + "=" + a.value + ": expected a length in drawing units");
        s.normal.text(f.item, a.value);
        s.difference.text(f.item, a.value);
        break;
      case Kind::Count: {
        const auto n = io::parseNumber(a.value);
        if (!n || *n != static_cast<double>(static_cast<std::int16_t>(*n)))
          throw UsageError(a.field + "=" + a.value + ": expected a whole number");
        s.normal.text(f.item, a.value);
        s.difference.text(f.item, a.value);
        break;
      }
      case Kind::Flag: {
        const bool on = parseFlag(a);
        s.normal.check(f.item, on);
        s.difference.check(f.item, on);
        break;
      }
      case Kind::Base: {
        if (a.value.empty()) throw UsageError(a.field + ": name a TIN or give its number");
        const auto n = io::parseNumber(a.value);
        if (n && *n >= 1 && *n <= 32767 && *n == static_cast<double>(static_cast<std::int16_t>(*n)))
          s.difference.choose(f.item, static_cast<std::int16_t>(*n));
        else
          s.difference.choose(f.item, a.value);
        break;
      }
    }
  }
  return s;
}

}  // namespace tinhost::cli
