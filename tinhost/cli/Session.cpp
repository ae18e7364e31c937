#include "tinhost/cli/Session.h"

#include <unistd.h>

#include <array>

#include "tinhost/cli/Console.h"
#include "tinhost/file/DrawingFile.h"
#include "tinhost/io/Progress.h"

namespace tinhost::cli {

namespace fs = std::filesystem;

fs::path defaultPluginPath() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  const fs::path dir = ec ? fs::current_path() : self.parent_path();
  return dir / "libtinplugin.so";
}

file::DrawingLock::WaitNotice waitNotice(const fs::path& drawing, std::chrono::milliseconds wait, std::ostream& err) {
  return [drawing, wait, &err](const std::string& holder) {
    err << "tinhost: " << drawing.string() << " is in use by " << holder << "; waiting up to "
        << std::chrono::duration<double>(wait).count() << " s for it to finish\n"
        << std::flush;
  };
}

Session::Session(fs::path drawing, Access access, std::chrono::milliseconds wait, std::ostream& err)
    : drawing_(std::move(drawing)) {
  // A drawing that is not there is reported by the reading below; no lock
  // file is left beside it.
  std::error_code ec;
  if (access == Access::Write && fs::exists(drawing_, ec)) lock_.emplace(drawing_, wait, waitNotice(drawing_, wait, err));
  host_ = std::make_unique<Host>();
  file::loadInto(*host_, drawing_);
  host_->toolbox().setTerminal(::isatty(STDERR_FILENO) == 1);
}

Session::~Session() { endPlugin(); }

PluginSession& Session::plugin(const std::string& library) {
  const fs::path wanted = library.empty() ? defaultPluginPath() : fs::path(library);
  if (plugin_ != nullptr) {
    if (fs::absolute(wanted) != fs::absolute(library_->path()))
      throw UsageError("the plug-in " + library_->path() + " is already loaded in this session; cannot switch to " +
                       wanted.string());
    return *plugin_;
  }
  library_ = std::make_unique<PluginLibrary>(wanted.string());
  plugin_ = std::make_unique<PluginSession>(*host_, library_->entry());
  return *plugin_;
}

void Session::endPlugin() {
  if (plugin_ != nullptr) plugin_->terminate();
  plugin_.reset();
  library_.reset();
}

void Session::save() {
  if (!lock_) throw UsageError("internal: " + drawing_.string() + " was opened for reading and cannot be saved");
  io::Progress progress("saving " + drawing_.filename().string(), host_->document().objectCount());
  file::saveFrom(*host_, drawing_, [&progress](std::uint64_t written, std::uint64_t) { progress.update(written); });
}

void Session::leaveDrawingToExit() {
  // Held from a static so that leak checkers count it as still reachable.
  static Document* left = nullptr;
  delete left;  // only if a process left two drawings
  left = new Document(std::move(host_->document()));
}

}  // namespace tinhost::cli
