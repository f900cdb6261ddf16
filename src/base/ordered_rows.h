// Large row-per-SNP outputs formatted on several threads: the rows are cut
// into chunks, each chunk is formatted into a buffer of its own, and the
// buffers are written in row order (one round while the next is formatted),
// so the file holds the bytes of formatting the rows in turn whatever the
// thread count.
#pragma once
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

#include "base/text_buffer.h"

// Calls row(text, k) for k = begin .. end-1 and appends the rows to `out` in
// that order. `row` only reads shared data and writes to the buffer it is
// given; it runs on up to `threads` threads at once.
template <class Row>
void writeRowsInOrder(TextBuffer& out, int64_t begin, int64_t end, int threads, const Row& row) {
  constexpr int64_t kChunk = 2048;  // rows per buffer
  if (threads <= 1 || end - begin < 2 * kChunk) {
    for (int64_t k = begin; k < end; ++k) row(out, k);
    return;
  }
  // A round is two chunks per thread. Its chunks are taken by whichever thread
  // is free, and the calling thread first writes the round before, so that
  // writing one round overlaps formatting the next.
  const int64_t parts = 2 * static_cast<int64_t>(threads);
  std::vector<TextBuffer> buffers(static_cast<size_t>(2 * parts));  // two rounds' chunks
  std::vector<std::exception_ptr> failures(static_cast<size_t>(threads));
  std::atomic<int64_t> nextPart{0};
  const auto format = [&](int64_t round, int64_t set, size_t worker) {
    try {
      for (int64_t p = nextPart.fetch_add(1); p < parts; p = nextPart.fetch_add(1)) {
        const int64_t from = round + p * kChunk;
        const int64_t to = std::min(end, from + kChunk);
        TextBuffer& buffer = buffers[static_cast<size_t>(set * parts + p)];
        for (int64_t k = from; k < to; ++k) row(buffer, k);
      }
    } catch (...) {
      failures[worker] = std::current_exception();
    }
  };
  const auto write = [&](int64_t set) {
    for (int64_t p = 0; p < parts; ++p) {
      TextBuffer& buffer = buffers[static_cast<size_t>(set * parts + p)];
      out.text(buffer.held());
      buffer.clear();
    }
  };
  int64_t set = 0;
  bool formatted = false;  // the other set holds the last round, not yet written
  for (int64_t round = begin;; round += kChunk * parts) {
    const bool more = round < end;
    nextPart = 0;
    std::vector<std::thread> workers;
    for (int t = 1; more && t < threads; ++t) {
      try {
        workers.emplace_back(format, round, set, static_cast<size_t>(t));
      } catch (const std::system_error&) {
        break;  // fewer threads take the same chunks
      }
    }
    try {
      if (formatted) write(1 - set);
    } catch (...) {
      failures[0] = std::current_exception();
    }
    if (more && !failures[0]) format(round, set, 0);
    for (std::thread& w : workers) w.join();
    for (const std::exception_ptr& failure : failures) {
      if (failure) std::rethrow_exception(failure);
    }
    if (!more) return;
    formatted = true;
    set = 1 - set;
  }
}
