#include "tinhost/cli/Answers.h"

#include <algorithm>
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
    Field{"innerBase", 26, Kind::Base},         Field{"outerBase", 25, Kind::Base},
    Field{"firstBase", 26, Kind::Base},         Field{"secondBase", 25, Kind::Base},
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

std::vector<ParameterAnswer> mergeAnswers(const std::vector<ParameterAnswer>& fromFile,
                                          const std::vector<ParameterAnswer>& fromSet) {
  auto refuseTwice = [](const std::vector<ParameterAnswer>& answers, const std::string& how) {
    for (std::size_t i = 0; i < answers.size(); ++i)
      for (std::size_t j = 0; j < i; ++j)
        if (fieldNamed(answers[i].field).item == fieldNamed(answers[j].field).item)
          throw UsageError(how + " " + answers[j].text() + " and " + answers[i].text() + ", which answer the same item (" +
                           std::to_string(fieldNamed(answers[i].field).item) + ") of the parameters dialog; give one");
  };
  refuseTwice(fromFile, "the answers file gives both");
  refuseTwice(fromSet, "--set gives both");
  std::vector<ParameterAnswer> merged;
  for (const ParameterAnswer& a : fromFile) {
    const std::int16_t item = fieldNamed(a.field).item;
    const bool replaced = std::any_of(fromSet.begin(), fromSet.end(),
                                      [&](const ParameterAnswer& b) { return fieldNamed(b.field).item == item; });
    if (!replaced) merged.push_back(a);
  }
  merged.insert(merged.end(), fromSet.begin(), fromSet.end());
  return merged;
}

ParameterScripts buildParameterScripts(const std::vector<ParameterAnswer>& answers) {
  ParameterScripts s;
  for (const ParameterAnswer& a : answers) {
    const Field& f = fieldNamed(a.field);
    const std::string said = a.text();
    switch (f.kind) {
      case Kind::Text:
        if (a.value.empty()) throw UsageError(a.field + ": a layer name cannot be empty");
        s.normal.text(f.item, a.value).answering(said);
        s.difference.text(f.item, a.value).answering(said);
        break;
      case Kind::Length:
        if (!io::parseNumber(a.value)) throw UsageError(said + ": expected a length in drawing units");
        s.normal.text(f.item, a.value).answering(said);
        s.difference.text(f.item, a.value).answering(said);
        break;
      case Kind::Count: {
        const auto n = io::parseNumber(a.value);
        if (!n || *n != static_cast<double>(static_cast<std::int16_t>(*n)))
          throw UsageError(said + ": expected a whole number");
        s.normal.text(f.item, a.value).answering(said);
        s.difference.text(f.item, a.value).answering(said);
        break;
      }
      case Kind::Flag: {
        const bool on = parseFlag(a);
        s.normal.check(f.item, on).answering(said);
        s.difference.check(f.item, on).answering(said);
        break;
      }
      case Kind::Base: {
        if (a.value.empty()) throw UsageError(a.field + ": name a TIN or give its number");
        const auto n = io::parseNumber(a.value);
        if (n && *n >= 1 && *n <= 32767 && *n == static_cast<double>(static_cast<std::int16_t>(*n)))
          s.difference.choose(f.item, static_cast<std::int16_t>(*n)).answering(said);
        else
          s.difference.choose(f.item, a.value).answering(said);
        break;
      }
    }
  }
  return s;
}

}  // namespace tinhost::cli
