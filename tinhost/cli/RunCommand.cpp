// `run`: one menu command of the plug-in, with the dialog answers of the
// command line.  The drawing changes only when the plug-in says it changed
// it (docTouched 0); otherwise whatever the command left behind is put back.
#include <algorithm>
#include <iostream>
#include <optional>

#include "tinhost/cli/Answers.h"
#include "tinhost/cli/ChooseTIN.h"
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

constexpr const char* kPlaceTextAnswer = "--place-text";

// The answers of the command line, as they are checked after the run.
struct GivenAnswers {
  std::vector<std::string> parameters;  // "datumElev=805", each carried by dialog actions
  bool placeText = false;
  bool cancel = false;  // taken when a dialog ran and was cancelled
};

// The answers that stand for a person at the dialogs (--choose does not: it
// brings the command to a TIN the way a person would, before it starts).
bool anyDialogAnswer(const RunArgs& args) {
  return !args.sets.empty() || !args.answersFile.empty() || !args.confirms.empty() || args.placeText ||
         args.cancel;
}

GivenAnswers prepareAnswers(Host& host, const RunArgs& args) {
  DialogAnswers& answers = host.dialogs().answers();
  answers.clear();
  std::vector<ParameterAnswer> fromFile, fromSet;
  if (!args.answersFile.empty()) fromFile = readAnswersFile(args.answersFile);
  for (const std::string& set : args.sets) fromSet.push_back(parseSetOption(set));
  const std::vector<ParameterAnswer> given = mergeAnswers(fromFile, fromSet);
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
  if (args.placeText && !args.cancel)
    answers.always(kResultDialog) = DialogScript{}.check(3, true).answering(kPlaceTextAnswer);
  GivenAnswers g;
  for (const ParameterAnswer& a : given) g.parameters.push_back(a.text());
  g.placeText = args.placeText;
  g.cancel = args.cancel;
  return g;
}

// The answers of the command line that no dialog or question took.
std::vector<std::string> unusedAnswers(DialogManager& dialogs, const GivenAnswers& given) {
  std::vector<std::string> unused;
  for (const std::string& a : given.parameters)
    if (!dialogs.usedAnswers().contains(a)) unused.push_back(a);
  if (given.placeText && !dialogs.usedAnswers().contains(kPlaceTextAnswer)) unused.push_back(kPlaceTextAnswer);
  const bool cancelled = std::any_of(dialogs.shown().begin(), dialogs.shown().end(),
                                     [](const DialogRecord& r) { return r.outcome == "cancelled"; });
  if (given.cancel && !cancelled) unused.push_back("--cancel");
  for (const bool yes : dialogs.answers().unusedConfirms()) unused.push_back(yes ? "--confirm yes" : "--confirm no");
  return unused;
}

std::string unusedAnswersText(const RunArgs& args, const std::vector<std::string>& unused,
                              const DialogManager& dialogs) {
  std::string text = "run " + args.command + ": no dialog or question of the command asked for ";
  for (std::size_t i = 0; i < unused.size(); ++i) text += (i == 0 ? "" : ", ") + unused[i];
  const bool parameterUnused = std::any_of(unused.begin(), unused.end(), [](const std::string& a) {
    return a.find('=') != std::string::npos;
  });
  const bool parametersShown = std::any_of(dialogs.shown().begin(), dialogs.shown().end(), [](const DialogRecord& r) {
    return r.resId == kParamsDialog || r.resId == kDiffParamsDialog;
  });
  if (parameterUnused && !parametersShown)
    text += " (the TIN parameters dialog did not open; a TIN's parameters are set with create or change)";
  return text;
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

// Why a command that showed no alert and no report left the drawing as it
// was, when the user's own answer is the reason: a question answered no or a
// dialog cancelled.  Empty otherwise.
std::string whyNothingChanged(const DialogManager& dialogs) {
  for (auto c = dialogs.confirms().rbegin(); c != dialogs.confirms().rend(); ++c)
    if (!c->answer) return "the answer to \"" + c->question + "\" was no";
  for (const DialogRecord& r : dialogs.shown())
    if (r.depth == 0 && !r.confirmed) return "the \"" + r.title + "\" dialog was " + r.outcome;
  return {};
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
  if ((args.interactive || s.interactive()) && anyDialogAnswer(args))
    throw UsageError("--set, --answers, --confirm, --place-text and --cancel answer the dialogs when no one is at "
                     "the terminal; here the dialogs ask at the terminal");
  Host& host = s.host();
  // Every answer is checked before anything changes.
  const GivenAnswers given = prepareAnswers(host, args);
  std::optional<ChosenTIN> chosen;
  if (!args.choose.empty()) {
    chosen = resolveChosenTIN(host, args.command, item, args.choose);
    // Should the plug-in ask after all, the chooser names the same TIN.
    host.dialogs().answers().always(kChooserDialog).choose(7, chosen->name);
  }
  Snapshot before(host);

  if (!args.layer.empty()) makeCurrentLayer(s, args.layer);
  const ObjId currentLayer = host.document().currentLayer();
  if (chosen) host.document().setCurrentLayer(chosen->layer);
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

  DialogManager& dialogs = host.dialogs();
  const std::vector<std::string> unused = unusedAnswers(dialogs, given);
  if (!unused.empty() && dialogs.alerts().empty() && dialogs.problems().empty()) {
    // What the command did rests on answers the user did not mean: none of it stays.
    before.put();
    for (const std::string& d : host.diagnostics()) io.err << "tinhost: warning: " << d << "\n";
    throw UsageError(unusedAnswersText(args, unused, dialogs) + "; nothing was changed");
  }
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
  if (!unused.empty() && dialogs.problems().empty())
    io.err << "tinhost: note: " << unusedAnswersText(args, unused, dialogs) << " before the alert above\n";

  Outcome outcome;
  outcome.changed = touched == kDocTouched;
  if (chosen && outcome.changed) host.document().setCurrentLayer(currentLayer);  // the TIN's layer was for the command only
  if (!outcome.changed && dialogs.alerts().empty() && dialogs.problems().empty() && dialogs.reports().empty())
    if (const std::string why = whyNothingChanged(dialogs); !why.empty())
      io.out << "nothing was changed: " << oneLine(why) << "\n";
  if (!outcome.changed) before.put();
  if (!dialogs.alerts().empty())
    outcome.status = kExitAlert;
  else if (!dialogs.problems().empty())
    outcome.status = kExitUsage;
  return outcome;
}

}  // namespace tinhost::cli
