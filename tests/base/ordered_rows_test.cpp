// Rows formatted on several threads come out in row order, byte for byte the
// rows formatted in turn, for every thread count and around chunk edges.
#include "base/ordered_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

std::string rows(int64_t begin, int64_t end, int threads) {
  TextBuffer out;
  out.text("head\n");
  writeRowsInOrder(out, begin, end, threads, [](TextBuffer& row, int64_t k) {
    row.integer(k).ch('\t').fixed6(static_cast<double>(k) / 7).ch('\t');
    for (int64_t i = 0; i < k % 5; ++i) row.ch('A');
    row.ch('\n');
  });
  return std::string(out.held());
}

TEST(OrderedRowsTest, AnyThreadCountGivesTheRowsInTurn) {
  for (const auto& [begin, end] :
       {std::pair<int64_t, int64_t>{0, 0}, {3, 4099}, {5, 40000}, {0, 28672}}) {
    const std::string inTurn = rows(begin, end, 1);
    EXPECT_EQ(inTurn.rfind("head\n", 0), 0u);
    EXPECT_EQ(static_cast<int64_t>(std::count(inTurn.begin(), inTurn.end(), '\n')),
              end - begin + 1);
    for (int threads : {2, 3, 8})
      EXPECT_EQ(rows(begin, end, threads), inTurn) << threads << " " << end;
  }
}

// A row that fails stops the writing with its own error once every thread is
// back, and nothing of the unfinished rounds is written.
TEST(OrderedRowsTest, AFailingRowStopsTheWritingWithItsError) {
  for (int threads : {2, 3}) {
    TextBuffer out;
    EXPECT_THROW(writeRowsInOrder(out, 0, 60000, threads,
                                  [](TextBuffer& row, int64_t k) {
                                    if (k == 30001) throw std::runtime_error("row");
                                    row.integer(k).ch('\n');
                                  }),
                 std::runtime_error);
    const std::string_view held = out.held();
    EXPECT_LT(std::count(held.begin(), held.end(), '\n'), 30001) << threads;
    EXPECT_EQ(held.find("30001\n"), std::string_view::npos) << threads;
  }
}

}  // namespace
