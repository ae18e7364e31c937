// The stand-in CAD host: the drawing, the allocator, the toolbox, the undo
// log, the dialog manager and the resources, and the callback block that
// hands all of them to a plug-in.
//
//   tinhost::Host host;                          // one layer, metres at 1000 per metre
//   tinhost::PluginLibrary lib("libtinplugin.so");
//   tinhost::PluginSession session(host, lib.entry());
//   host.dialogs().answers().always(11006).text(16, "0.5");
//   std::int32_t touched = session.runCommand(1);
//   for (const auto& a : host.dialogs().alerts()) ...
//
// Every function of the block catches everything: a fault on the host side
// becomes a failure value for the plug-in and a line in diagnostics().
// The block's ctx points at the host, so a Host neither copies nor moves.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "plugin/host/KVABI.h"
#include "tinhost/core/BuildNotices.h"
#include "tinhost/core/DialogManager.h"
#include "tinhost/core/Document.h"
#include "tinhost/core/Memory.h"
#include "tinhost/core/Resources.h"
#include "tinhost/core/Toolbox.h"
#include "tinhost/core/UndoLog.h"

namespace tinhost {

struct HostOptions {
  std::int64_t memoryBudget = Memory::kDefaultBudget;
  const Resources* resources = nullptr;  // null: the resources compiled into the host
};

class Host {
 public:
  explicit Host(HostOptions options = {});
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // The callback block to hand to the plug-in's main.
  KVCallback callbacks() const { return &block_; }
  // The host behind a callback block; throws HostError for a foreign block.
  static Host& from(KVCallback cb);

  Document& document() { return doc_; }
  const Document& document() const { return doc_; }
  Memory& memory() { return memory_; }
  Toolbox& toolbox() { return toolbox_; }
  DialogManager& dialogs() { return dialogs_; }
  const Resources& resources() const { return resources_; }
  UndoLog& undoLog() { return undo_; }
  const UndoLog& undoLog() const { return undo_; }

  // ---- data objects under the drawing header, by four-character tag ----
  KVHandle findDataObject(std::uint32_t tag) const;
  KVHandle newDataObject(std::uint32_t tag, std::int32_t size);  // null: memory full or tag taken
  void deleteDataObject(KVHandle h);
  DataObjectBytes dataObjects() const;              // a copy of every data object
  void setDataObjects(const DataObjectBytes& all);  // replaces every data object
  // Layers made for the plug-in during a command are undone with it.
  ObjId createLayer(std::string name, double scale);

  // ---- commands ----
  // Opens the undo record (the data objects as they are now) and the cursor clock.
  void beginCommand();
  // Discards objects still without a container, closes the undo record and the
  // busy cursor; returns how many objects were discarded.
  std::size_t endCommand();
  bool inCommand() const { return undo_.recording(); }
  // Gives the drawing a coordinate system (WKT); inside a command, undoing
  // the command puts the old one back.
  void setCrs(std::string wkt);
  // Reverts the last command that changed the drawing; false when there is none.
  bool undo();

  // ---- what builds of TINs left undone (BuildNotices.h) ----
  // Replaces what the drawing keeps for the TIN named `tin` with `notices`
  // (none: withdraws them) and adds them to the notices of this command.
  void reportBuildNotices(const std::string& tin, std::vector<BuildNotice> notices);
  // The notices the drawing keeps, of every TIN, in the order reported.
  std::vector<BuildNotice> buildNotices() const;
  // The notices reported since the last clearFreshBuildNotices().
  const std::vector<BuildNotice>& freshBuildNotices() const { return freshNotices_; }
  void clearFreshBuildNotices() { freshNotices_.clear(); }

  // ---- faults seen at the boundary, in words ----
  const std::vector<std::string>& diagnostics() const { return diagnostics_; }
  void note(std::string what) { diagnostics_.push_back(std::move(what)); }
  void clearDiagnostics() { diagnostics_.clear(); }

 private:
  const Resources& resources_;
  Document doc_;
  Memory memory_;
  Toolbox toolbox_;
  UndoLog undo_;
  DialogManager dialogs_;
  std::map<std::uint32_t, KVHandle> dataObjects_;
  std::vector<std::string> diagnostics_;
  std::vector<BuildNotice> freshNotices_;
  KVHostBlock block_{};
};

// Fills every entry of a callback block with the host's functions (HostBlock.cpp).
void fillHostBlock(KVHostBlock& block, Host& host);

// "WXB0" -> 0x57584230, and back.
constexpr std::uint32_t fourCharCode(const char (&s)[5]) {
  return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
         (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}
std::string fourCharText(std::uint32_t tag);

}  // namespace tinhost
