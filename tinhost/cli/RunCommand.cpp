// `run`: one menu command of the plug-in, with the dialog answers of the
// command line.  The drawing changes only when the plug-in says it changed
// it (docTouched 0); otherwise whatever the command left behind is put back.
#include <iostream>

#include "tinhost/cli/Answers.h"
#include "tinhost/cli/Commands.h"
#include "tinhost/cli/Session.h"
#include "tinhost/core/Host.h"
#include "tinhost/io/TextRows.h"

namespace tinhost::cli {
namespace {

constexpr std::int16_t kOptionKey = 58;
constexpr std::int32_t kDocTouched = 0;
constexpr std::int32_t kNotHandled = 5;

// The host as it was before the command, kept so that it can be put back:
// the drawing keeps a mark (it copies only what the command changes), the
// data objects are copied, and the undo history only grows during a command,
// so its length is enough.  Leaving the scope without put() drops the mark.
class Snapshot {
 public:
  explicit Snapshot(Host& host)
      : host_(host), data_(host.dataObjects()), records_(host.undoLog().history().size()) {
    host.document().mark();
  }
  ~Snapshot() { host_.document().dropMark(); }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

  void put() {
    host_.document().rollback();
    host_.setDataObjects(data_);
    host_.undoLog().truncate(records_);
  }

 private:
  Host& host_;
  DataObjectBytes data_;
  std::size_t records_;
};

void prepareAnswers(Host& host, const RunArgs& args) {
  DialogAnswers& answers = host.dialogs().answers();
  answers.clear();
  std::vector<ParameterAnswer> given;
  if (!args.answersFile.empty()) given = readAnswersFile(args.answersFile);
  for (const std::string& set : args.sets) given.push_back(parseSetOption(set));
  ParameterScripts scripts = buildParameterScripts(given);
  if (args.cancel) {
    scripts.normal.cancelled();
    scripts.difference.cancelled();
    answers.always(kChooserDialog).cancelled();
    answers.always(kResultDialog).cancelled();
  }
  answers.always(kParamsDialog) = scripts.normal;
  answers.always(kDiffParamsDialog) = scripts.difference;
  for (const std::string& c : args.confirms) {
    const std::string v = io::lower(c);
    if (v != "yes" && v != "no") throw UsageError("--confirm must be yes or no, not '" + c + "'");
    answers.confirm(v == "yes");
  }
  if (!args.choose.empty() && !args.cancel) {
    const auto n = io::parseNumber(args.choose);
    if (n && *n >= 1 && *n <= 32767 && *n == static_cast<double>(static_cast<std::int16_t>(*n)))
      answers.chooseTIN(static_cast<std::int16_t>(*n));
    else
      answers.chooseTIN(args.choose);
  }
  if (args.placeText && !args.cancel) answers.placeReportText(true);
}

void select(Host& host, const std::string& mode) {
  Document& doc = host.document();
  doc.clearSelection();
  if (mode == "none") return;
  const bool all = mode == "all";
  for (ObjId layer : doc.layers())
    if (all || layer == doc.currentLayer())
      for (ObjId id : doc.members(layer)) doc.select(id);
}

std::string oneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

std::int16_t menuItemFor(const std::string& command) {
  if (command == "create") return 1;
  if (command == "change") return 94;
  if (command == "area") return 2;
  if (command == "cutfill") return 3;
  if (command == "diff") return 4;
  if (command == "delete") return 95;
  const auto n = io::parseNumber(command);
  if (n && *n >= 1 && *n <= 32767 && *n == static_cast<double>(static_cast<std::int16_t>(*n)))
    return static_cast<std::int16_t>(*n);
  throw UsageError("unknown command '" + command +
                   "'; use create, change, area, cutfill, diff, delete or a menu item number");
}

Outcome runMenuCommand(Session& s, const RunArgs& args, Console& io) {
  const std::int16_t item = menuItemFor(args.command);
  if (args.select != "layer" && args.select != "all" && args.select != "none")
    throw UsageError("--select must be layer, all or none, not '" + args.select + "'");
  if (args.memoryBudget < 0) throw UsageError("--memory-budget must not be negative");
  Host& host = s.host();
  prepareAnswers(host, args);  // validates every answer before anything changes
  Snapshot before(host);

  if (!args.layer.empty()) makeCurrentLayer(s, args.layer);
  host.memory().setBudget(args.memoryBudget > 0 ? args.memoryBudget : Memory::machineBudget());
  host.toolbox().releaseKeys();
  if (args.holdOption) host.toolbox().holdKey(kOptionKey);
  if (args.interactive || s.interactive())
    host.dialogs().setInteractive(&io.in, &io.out);
  else
    host.dialogs().setInteractive(nullptr, nullptr);
  PluginSession& plugin = s.plugin(args.plugin);  // action 1 on first use
  select(host, args.select);
  host.dialogs().clearRecords();
  host.clearDiagnostics();
  host.clearFreshBuildNotices();
  const std::int32_t touched = plugin.runCommand(item);  // action 3

  const DialogManager& dialogs = host.dialogs();
  for (const ReportRecord& r : dialogs.reports()) io.out << oneLine(r.text) << "\n";
  for (const AlertRecord& a : dialogs.alerts())
    io.err << "error: " << oneLine(a.text) << (a.detail.empty() ? "" : " ") << oneLine(a.detail) << "\n";
  for (const std::string& p : dialogs.problems()) io.err << "tinhost: an answer could not be given: " << p << "\n";
  // What the builds left undone: warnings; the command's outcome stands.
  const DocumentState& state = host.document().state();
  const UserPlace place{host.document().units(), state.originX, state.originY};
  for (const std::string& w : describeBuildNotices(host.freshBuildNotices(), place))
    io.err << "warning: " << w << "\n";
  for (const std::string& d : host.diagnostics()) io.err << "tinhost: warning: " << d << "\n";
  if (touched == kNotHandled)
    io.err << "tinhost: the plug-in does not handle menu item " << item << "\n";

  Outcome outcome;
  outcome.changed = touched == kDocTouched;
  if (!outcome.changed) before.put();
  if (!dialogs.alerts().empty())
    outcome.status = kExitAlert;
  else if (!dialogs.problems().empty())
    outcome.status = kExitUsage;
  return outcome;
}

}  // namespace tinhost::cli
