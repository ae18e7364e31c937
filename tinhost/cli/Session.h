// One host session on one drawing: the drawing read from its file, the
// plug-in loaded on first use (action 1) and terminated (action 2) when the
// session ends or endPlugin() is called, and saving back to the file.
//
// A session that may change the drawing holds it (DrawingLock) from before it
// reads the file until the session ends, so that no other writer reads it in
// between and overwrites what this one saves.  A reading session holds
// nothing and cannot save.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "tinhost/cli/Console.h"
#include "tinhost/core/Host.h"
#include "tinhost/core/PluginLibrary.h"
#include "tinhost/core/PluginSession.h"
#include "tinhost/file/DrawingLock.h"

namespace tinhost::cli {

// The plug-in built beside the running tinhost executable.
std::filesystem::path defaultPluginPath();

enum class Access { Read, Write };

// How long a writer waits for another one to finish with the drawing.
inline constexpr std::chrono::seconds kDefaultLockWait{60};

// What a writer says on `err` when it has to wait for `drawing`.
file::DrawingLock::WaitNotice waitNotice(const std::filesystem::path& drawing, std::chrono::milliseconds wait,
                                         std::ostream& err);

class Session {
 public:
  // Reads the drawing (a writer first holds it, waiting up to `wait` and
  // saying so on `err`); throws FileError when it cannot.
  Session(std::filesystem::path drawing, Access access, std::chrono::milliseconds wait, std::ostream& err);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Host& host() { return *host_; }
  const std::filesystem::path& drawing() const { return drawing_; }

  // The plug-in session, loading `library` (empty: the default) on first use.
  // Asking for a different library once one is loaded is a usage error.
  PluginSession& plugin(const std::string& library);
  void endPlugin();

  // Writes the drawing back; only a writing session may.
  void save();

  // For a process that ends with this session: the drawing's objects are left
  // for the system to reclaim at exit instead of being taken apart one by one
  // (0.8 s for a million-point TIN with its triangles and contours).  The
  // session keeps an empty drawing.
  void leaveDrawingToExit();

  // Dialogs at the terminal for every command of the session (the shell).
  void setInteractive(bool on) { interactive_ = on; }
  bool interactive() const { return interactive_; }

 private:
  std::filesystem::path drawing_;
  std::optional<file::DrawingLock> lock_;  // before host_: released after everything else
  std::unique_ptr<Host> host_;
  std::unique_ptr<PluginLibrary> library_;
  std::unique_ptr<PluginSession> plugin_;
  bool interactive_ = false;
};

}  // namespace tinhost::cli
