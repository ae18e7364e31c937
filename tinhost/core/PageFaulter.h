// Maps fresh memory in before it is first written, on a thread of its own.
//
// A large build writes some 250 MiB of records into memory the process has
// just taken from the system; each 4 KiB page then costs a fault of a couple
// of microseconds on the thread that first writes it, in all a tenth of the
// build.  The allocator hands each new chunk here as it carves its first
// block; a second thread asks the kernel to map the chunk's pages writable
// (MADV_POPULATE_WRITE), which it does without touching their contents, so
// the carving thread goes on and meets pages that are already there.
//
// Purely a hint: nothing is read or written, so it may run over memory that
// is in use, freed or reused meanwhile.  Requests are dropped when the
// process may run on one processor only, when no thread can be started, when
// the kernel lacks the request, or when the queue is already long (the
// carving thread has overtaken it).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

namespace tinhost {

class PageFaulter {
 public:
  PageFaulter() = default;
  ~PageFaulter() { stop(); }
  PageFaulter(const PageFaulter&) = delete;
  PageFaulter& operator=(const PageFaulter&) = delete;

  // Asks for the whole pages within [p, p + bytes) to be mapped.
  void request(void* p, std::size_t bytes);

  // Waits until every range asked for so far has been dealt with.
  void drain();

  // Waits for the range being mapped, drops the rest and ends the thread;
  // later requests are dropped.
  void stop();

  // False once the kernel, the thread or a single processor has refused;
  // requests are then dropped.
  bool working() const;

 private:
  struct Range {
    char* begin;
    char* end;
  };
  void run();

  mutable std::mutex mutex_;
  std::condition_variable wake_;  // a request or the stop
  std::condition_variable idle_;  // the queue ran empty
  std::vector<Range> queue_;
  bool busy_ = false;   // the thread is mapping a range taken from the queue
  bool stop_ = false;
  bool failed_ = false;
  std::thread thread_;  // started with the first request
};

// The faulter of memory the process keeps for its whole life (the slabs of
// the drawing's object map).  Never destroyed, so that it serves to the end.
PageFaulter& ProcessPageFaulter();

}  // namespace tinhost
