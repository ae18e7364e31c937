// One writer at a time on a drawing.
//
// A command that changes a drawing reads the whole file, works on it in
// memory and writes it back; two such commands side by side would each write
// back what they read, and the later save would drop the earlier one's
// change.  So a writer holds the drawing from before it reads until after it
// has saved: an exclusive advisory lock (flock) on a lock file beside the
// drawing, ".NAME.lock", which the kernel releases when the process ends,
// however it ends.  A second writer waits for it, up to a limit, and then
// gives up without having read anything.
//
// Readers take no lock: a save writes a new file and renames it over the old
// one, so a reader opens either the drawing before the save or the one
// after, never a file half written.
//
// The lock file stays in place between commands: removing it would let a
// waiter lock a file that no longer has the name the next writer opens.  In
// a directory where the lock file can be neither made nor found, nothing is
// held: such a process cannot save there either.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace tinhost::file {

std::filesystem::path lockPath(const std::filesystem::path& drawing);

class DrawingLock {
 public:
  // Told who holds the drawing (e.g. "process 4242 (tinhost shell d.tin)")
  // once, when the wait begins.
  using WaitNotice = std::function<void(const std::string& holder)>;

  // Holds `drawing`, waiting up to `limit` while another process holds it.
  // Throws FileError when the lock file cannot be opened, or when the limit
  // passes, naming the holder.
  DrawingLock(const std::filesystem::path& drawing, std::chrono::milliseconds limit, const WaitNotice& notice);
  ~DrawingLock();
  DrawingLock(const DrawingLock&) = delete;
  DrawingLock& operator=(const DrawingLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace tinhost::file
