#include "tinhost/file/DrawingLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "tinhost/file/FileError.h"

namespace tinhost::file {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kPoll{50};

// "process 4242 (tinhost run d.tin create)", for the holder's line in the lock file.
std::string describeSelf() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string args((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  while (!args.empty() && args.back() == '\0') args.pop_back();
  for (char& c : args)
    if (c == '\0' || c == '\n') c = ' ';
  const auto slash = args.rfind('/', args.find(' '));  // the program without its directory
  if (slash != std::string::npos) args.erase(0, slash + 1);
  return "process " + std::to_string(::getpid()) + (args.empty() ? "" : " (" + args + ")");
}

std::string readHolder(int fd) {
  char buf[512];
  const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
  std::string text(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
  if (const auto nl = text.find('\n'); nl != std::string::npos) text.resize(nl);
  return text.empty() ? "another process" : text;
}

void writeHolder(int fd) {
  const std::string text = describeSelf() + "\n";
  if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.data(), text.size(), 0) < 0) {
    // Only the waiters' message depends on it; the lock holds all the same.
  }
}

std::string seconds(std::chrono::milliseconds d) {
  std::ostringstream s;
  s << static_cast<double>(d.count()) / 1000.0 << " s";
  return s.str();
}

}  // namespace

fs::path lockPath(const fs::path& drawing) {
  return drawing.parent_path() / ("." + drawing.filename().string() + ".lock");
}

DrawingLock::DrawingLock(const fs::path& drawing, std::chrono::milliseconds limit, const WaitNotice& notice) {
  const fs::path path = lockPath(drawing);
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0 && (errno == EACCES || errno == EROFS)) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);  // someone else's lock file
    // No lock file, and none can be made: the directory is closed to this
    // process, so it cannot save the drawing there either and has no change
    // of another writer to overwrite.  It reads the drawing unheld.
    if (fd_ < 0 && errno == ENOENT) return;
  }
  if (fd_ < 0)
    throw FileError(drawing.string() + ": cannot open the lock file " + path.string() + " (" +
                    std::strerror(errno) + "); nothing was done");
  const auto deadline = Clock::now() + limit;
  bool told = false;
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {
      const int why = errno;
      ::close(fd_);
      throw FileError(drawing.string() + ": cannot lock " + path.string() + " (" + std::strerror(why) +
                      "); nothing was done");
    }
    if (Clock::now() >= deadline) {
      const std::string holder = readHolder(fd_);
      ::close(fd_);
      throw FileError(drawing.string() + ": still in use after " + seconds(limit) + ", by " + holder +
                      "; nothing was done (--wait SECONDS waits longer)");
    }
    if (!told && notice) notice(readHolder(fd_));
    told = true;
    std::this_thread::sleep_for(kPoll);
  }
  writeHolder(fd_);
}

DrawingLock::~DrawingLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the lock
}

}  // namespace tinhost::file
