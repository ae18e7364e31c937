#include "tinhost/core/PageFaulter.h"

#include <cerrno>
#include <cstdint>
#include <system_error>

#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

namespace tinhost {
namespace {

// Ranges waiting beyond this are dropped: the carving thread has already
// met their pages, or the machine has no core to spare.
constexpr std::size_t kMaxQueued = 64;

std::uintptr_t pageSize() {
  static const long size = sysconf(_SC_PAGESIZE);
  return size > 0 ? static_cast<std::uintptr_t>(size) : 4096;
}

// With a single processor to run on, the second thread would only take the
// faults' work in turns with the first.
bool SecondProcessorAvailable() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return true;  // unknown: try
  return CPU_COUNT(&set) >= 2;
}

}  // namespace

void PageFaulter::stop() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PageFaulter::request(void* p, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  const std::uintptr_t page = pageSize();
  const auto from = reinterpret_cast<std::uintptr_t>(p);
  const std::uintptr_t begin = (from + page - 1) & ~(page - 1);
  const std::uintptr_t end = (from + bytes) & ~(page - 1);
  if (end <= begin) return;
  {
    const std::lock_guard lock(mutex_);
    if (failed_ || stop_ || queue_.size() >= kMaxQueued) return;
    if (!thread_.joinable()) {
      if (!SecondProcessorAvailable()) {
        failed_ = true;
        return;
      }
      try {
        thread_ = std::thread([this] { run(); });
      } catch (const std::system_error&) {
        failed_ = true;
        return;
      }
    }
    queue_.push_back(Range{reinterpret_cast<char*>(begin), reinterpret_cast<char*>(end)});
  }
  wake_.notify_one();
#else
  (void)p;
  (void)bytes;
#endif
}

void PageFaulter::drain() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return (queue_.empty() && !busy_) || !thread_.joinable(); });
}

bool PageFaulter::working() const {
  const std::lock_guard lock(mutex_);
  return !failed_;
}

void PageFaulter::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (stop_) break;
    // The newest range first: the carving thread starts on a chunk as soon
    // as it asks, so an older one is likelier to be mapped by it already.
    const Range r = queue_.back();
    queue_.pop_back();
    busy_ = true;
    lock.unlock();
#ifdef MADV_POPULATE_WRITE
    // EINVAL: a kernel without the request; give up.  Other errors (a range
    // freed meanwhile, no memory) concern this range only.
    const bool refused = madvise(r.begin, static_cast<std::size_t>(r.end - r.begin),
                                 MADV_POPULATE_WRITE) != 0 &&
                         errno == EINVAL;
#else
    const bool refused = true;
#endif
    lock.lock();
    busy_ = false;
    if (refused) {
      failed_ = true;
      queue_.clear();
    }
    if (queue_.empty()) idle_.notify_all();
  }
  queue_.clear();
  busy_ = false;
  idle_.notify_all();
}

PageFaulter& ProcessPageFaulter() {
  static PageFaulter* const faulter = new PageFaulter;
  return *faulter;
}

}  // namespace tinhost
