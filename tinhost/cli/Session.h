// One host session on one drawing: the drawing read from its file, the
// plug-in loaded on first use (action 1) and terminated (action 2) when the
// session ends or endPlugin() is called, and saving back to the file.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "tinhost/core/Host.h"
#include "tinhost/core/PluginLibrary.h"
#include "tinhost/core/PluginSession.h"

namespace tinhost::cli {

// The plug-in built beside the running tinhost executable.
std::filesystem::path defaultPluginPath();

class Session {
 public:
  // Reads the drawing; throws FileError when it cannot.
  explicit Session(std::filesystem::path drawing);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Host& host() { return *host_; }
  const std::filesystem::path& drawing() const { return drawing_; }

  // The plug-in session, loading `library` (empty: the default) on first use.
  // Asking for a different library once one is loaded is a usage error.
  PluginSession& plugin(const std::string& library);
  void endPlugin();

  void save();

  // Dialogs at the terminal for every command of the session (the shell).
  void setInteractive(bool on) { interactive_ = on; }
  bool interactive() const { return interactive_; }

 private:
  std::filesystem::path drawing_;
  std::unique_ptr<Host> host_;
  std::unique_ptr<PluginLibrary> library_;
  std::unique_ptr<PluginSession> plugin_;
  bool interactive_ = false;
};

}  // namespace tinhost::cli
