// Large row-per-SNP outputs formatted on several threads: the rows are cut
// into chunks, each chunk is formatted into a buffer of its own, and the
// buffers are written in row order, so the file holds the bytes of formatting
// the rows in turn whatever the thread count.
#pragma once
#include <algorithm>
#include <cstdint>
#include <exception>
#include <thread>
#include <vector>

#include "driver/lines/text_buffer.h"

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
  // Two chunks per thread and round: a round is formatted at once, then written.
  const size_t parts = static_cast<size_t>(threads) * 2;
  std::vector<TextBuffer> buffers(parts);
  std::vector<std::exception_ptr> failures(static_cast<size_t>(threads));
  for (int64_t round = begin; round < end; round += kChunk * static_cast<int64_t>(parts)) {
    const auto format = [&](size_t worker) {
      try {
        for (size_t p = worker; p < parts; p += static_cast<size_t>(threads)) {
          const int64_t from = round + static_cast<int64_t>(p) * kChunk;
          const int64_t to = std::min(end, from + kChunk);
          for (int64_t k = from; k < to; ++k) row(buffers[p], k);
        }
      } catch (...) {
        failures[worker] = std::current_exception();
      }
    };
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t) workers.emplace_back(format, static_cast<size_t>(t));
    format(0);
    for (std::thread& w : workers) w.join();
    for (const std::exception_ptr& failure : failures) {
      if (failure) std::rethrow_exception(failure);
    }
    for (TextBuffer& buffer : buffers) {
      out.text(buffer.held());
      buffer.clear();
    }
  }
}
