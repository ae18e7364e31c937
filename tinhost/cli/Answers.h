// The answers a command line gives the plug-in's TIN parameters dialog:
// `--set FIELD=VALUE` and `--answers FILE` (a JSON object of the same fields).
//
// Fields and the dialog items they fill:
//   layer2DName 14, layer3DName 15                      text
//   contourInterval 16, datumElev 18, contourBaseElev 19,
//   lowContourElev 20, highContourElev 21               lengths in user units
//   indexContourEvery 17                                whole number
//   want2DCntr 30, want3DTris 31, want2DTris 32, want3DCntr 33,
//   labelCntrs 34, wantHull 35, smooth 36, makeGroups 37,
//   useBrklns 38, notResident 39                        0/1/true/false
//   innerBase 26 (the enclosed TIN), outerBase 25 (the enclosing TIN)
//                                                       TIN name or number;
//                                                       difference TINs only
//   firstBase, secondBase: the same two by the difference TIN's own words,
//   whose first base is the enclosed TIN: firstBase = innerBase,
//   secondBase = outerBase
#pragma once

#include <string>
#include <vector>

#include "tinhost/core/DialogAnswers.h"

namespace tinhost::cli {

inline constexpr std::int16_t kParamsDialog = 11006;
inline constexpr std::int16_t kDiffParamsDialog = 11007;

struct ParameterAnswer {
  std::string field;
  std::string value;  // as typed

  // "field=value", the name the answer goes by in messages and in the
  // dialog actions that carry it out.
  std::string text() const { return field + "=" + value; }
};

// "FIELD=VALUE" -> answer; throws UsageError naming the fault.
ParameterAnswer parseSetOption(const std::string& option);
// Reads a JSON object of answers; throws FileError naming the file.
std::vector<ParameterAnswer> readAnswersFile(const std::string& path);

struct ParameterScripts {
  DialogScript normal;      // for the dialog of an ordinary TIN
  DialogScript difference;  // for the dialog of a difference TIN
};
// The answers of an --answers file and of --set options as one list: a --set
// answer replaces the file's answer to the same dialog item.  Two answers to
// one item from the same source contradict each other: UsageError.
std::vector<ParameterAnswer> mergeAnswers(const std::vector<ParameterAnswer>& fromFile,
                                          const std::vector<ParameterAnswer>& fromSet);

// Validates every answer (throws UsageError) and turns them into dialog
// actions, each marked with its answer's text() so that a run can tell which
// answers a dialog took.
ParameterScripts buildParameterScripts(const std::vector<ParameterAnswer>& answers);

// The names accepted by --set, for help and messages.
std::string parameterNames();

}  // namespace tinhost::cli
