// Reading the answer line of the subject-combination query.
#include "query/combination_line.h"

#include <gtest/gtest.h>

namespace {

TEST(CombinationLine, NumbersSeparatedByAnyNonDigit) {
  CombinationAnswer a = parseCombinationLine("2,5 9\n", 9);
  EXPECT_EQ(a.kind, CombinationAnswer::kChosen);
  EXPECT_EQ(a.subjects, (std::vector<int>{2, 5, 9}));

  a = parseCombinationLine("05\n", 9);  // a leading zero of a longer number is no end
  EXPECT_EQ(a.kind, CombinationAnswer::kChosen);
  EXPECT_EQ(a.subjects, (std::vector<int>{5}));

  a = parseCombinationLine("7;3x3-7\r\n", 9);  // repeats select once, order does not matter
  EXPECT_EQ(a.subjects, (std::vector<int>{3, 7}));
}

TEST(CombinationLine, EndsOfTheDialogue) {
  EXPECT_EQ(parseCombinationLine("\n", 5).kind, CombinationAnswer::kEnd);
  EXPECT_EQ(parseCombinationLine("\r\n", 5).kind, CombinationAnswer::kEnd);
  EXPECT_EQ(parseCombinationLine("0\n", 5).kind, CombinationAnswer::kEnd);
  EXPECT_EQ(parseCombinationLine("0 3\n", 5).kind, CombinationAnswer::kEnd);
}

TEST(CombinationLine, RejectedLines) {
  EXPECT_EQ(parseCombinationLine("abc\n", 5).kind, CombinationAnswer::kNoDigits);
  EXPECT_EQ(parseCombinationLine(" \n", 5).kind, CombinationAnswer::kNoDigits);
  EXPECT_EQ(parseCombinationLine("", 5).kind, CombinationAnswer::kNoDigits);

  CombinationAnswer a = parseCombinationLine("3x\n", 2);
  EXPECT_EQ(a.kind, CombinationAnswer::kOutOfRange);
  EXPECT_EQ(a.outOfRange, "3");
  EXPECT_TRUE(a.subjects.empty());

  a = parseCombinationLine("1 00\n", 5);  // zero that is not the line's lone first entry
  EXPECT_EQ(a.kind, CombinationAnswer::kOutOfRange);
  EXPECT_EQ(a.outOfRange, "0");

  a = parseCombinationLine("1 2 0099999999999999999999999\n", 5);
  EXPECT_EQ(a.kind, CombinationAnswer::kOutOfRange);
  EXPECT_EQ(a.outOfRange, "99999999999999999999999");

  a = parseCombinationLine("12\n", 12);
  EXPECT_EQ(a.kind, CombinationAnswer::kChosen);
  a = parseCombinationLine("13\n", 12);
  EXPECT_EQ(a.kind, CombinationAnswer::kOutOfRange);
}

}  // namespace
