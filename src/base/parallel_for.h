// One way to spread independent items over threads, for every part of the
// system that does: items handed out in order as threads come free, the
// calling thread working too, and errors carried back to the caller instead
// of ending the process from a thread.
#pragma once
#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

// Runs work(item, worker) for item = 0 .. items-1 on `threads` threads, the
// calling thread among them (worker 0); items are handed out in order as
// threads come free. afterItem() is called on the calling thread after each
// item it ran. When items fail, the failure of the lowest item is rethrown
// on the calling thread once all have stopped; no item starts after a failure.
template <class Work, class After>
void forEachItemOnThreads(int64_t items, int threads, const Work& work, const After& afterItem) {
  std::atomic<int64_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex failureLock;
  int64_t failedItem = -1;
  std::exception_ptr failure;
  auto loop = [&](int worker) {
    for (;;) {
      if (failed.load()) return;
      const int64_t item = next.fetch_add(1);
      if (item >= items) return;
      try {
        work(item, worker);
      } catch (...) {
        std::lock_guard<std::mutex> hold(failureLock);
        if (failedItem < 0 || item < failedItem) {
          failedItem = item;
          failure = std::current_exception();
        }
        failed.store(true);
        return;
      }
      if (worker == 0) afterItem();
    }
  };
  std::vector<std::thread> helpers;
  for (int t = 1; t < threads; ++t) {
    try {
      helpers.emplace_back(loop, t);
    } catch (const std::exception&) {
      break;  // fewer threads: the work is the same
    }
  }
  loop(0);
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
}

// Threads for `wanted` (0: one per hardware thread), at least 1.
inline int threadsFor(int wanted) {
  if (wanted > 0) return wanted;
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware == 0 ? 1 : static_cast<int>(hardware);
}
