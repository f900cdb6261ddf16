// Line reading, trimming, splitting and path trimming.
#include "base/lines.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

FILE* streamOf(const std::string& bytes) {
  FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  return f;
}

// Every line MyFgets yields until it answers nullptr.
std::vector<std::string> readAll(const std::string& bytes, int32_t limit = kLineLimit) {
  FILE* f = streamOf(bytes);
  std::vector<char> buf(static_cast<size_t>(limit) + 1);
  std::vector<std::string> lines;
  while (MyFgets(buf.data(), limit, f) != nullptr) lines.emplace_back(buf.data());
  std::fclose(f);
  return lines;
}

std::vector<std::string> splitText(std::string text, const char* sep, int32_t maxFields) {
  std::vector<char*> fields(static_cast<size_t>(maxFields) + 1);
  int32_t n = split(text.data(), fields.data(), sep, maxFields);
  return std::vector<std::string>(fields.begin(), fields.begin() + n);
}

TEST(MyFgets, EveryLineEndConvention) {
  EXPECT_EQ(readAll("a\r\rb\nc"), (std::vector<std::string>{"a", "", "b", "c"}));
  EXPECT_EQ(readAll("x\r\n"), (std::vector<std::string>{"x"}));
  EXPECT_EQ(readAll("\n"), (std::vector<std::string>{""}));
  EXPECT_EQ(readAll("one\r\ntwo\rthree\n\nfour"),
            (std::vector<std::string>{"one", "two", "three", "", "four"}));
  EXPECT_TRUE(readAll("").empty());
  EXPECT_EQ(readAll("last\r"), (std::vector<std::string>{"last"}));
}

TEST(MyFgets, LineLimitStopsTheFile) {
  const std::string fits(9999, 'x');
  EXPECT_EQ(readAll(fits + "\nnext\n"), (std::vector<std::string>{fits, "next"}));

  const std::string tooLong(10000, 'y');
  FILE* f = streamOf(tooLong + "\nnext\n");
  std::vector<char> buf(kLineLimit + 1);
  EXPECT_EQ(MyFgets(buf.data(), kLineLimit, f), nullptr);
  EXPECT_EQ(std::string(buf.data()), tooLong);  // cut at the limit, terminated
  EXPECT_EQ(std::getc(f), '\n');                // the line end stays unread
  std::fclose(f);

  char tiny[1] = {'q'};
  EXPECT_EQ(MyFgets(tiny, 0, stdin), nullptr);
  EXPECT_EQ(tiny[0], '\0');
}

TEST(ReadWholeLine, KeepsLongLinesWhole) {
  const std::string huge(50000, 'z');
  FILE* f = streamOf(huge + "\r\nshort\rend");
  std::string line;
  std::vector<std::string> lines;
  while (readWholeLine(f, line)) lines.push_back(line);
  std::fclose(f);
  EXPECT_EQ(lines, (std::vector<std::string>{huge, "short", "end"}));
}

TEST(Strip, BlanksAndTabsAtBothEnds) {
  char a[] = "  \t";
  EXPECT_STREQ(strip(a), "");
  char b[] = " \tpath\twith tab \t ";
  EXPECT_STREQ(strip(b), "path\twith tab");
  EXPECT_EQ(strip(nullptr), nullptr);
}

TEST(Split, SeparatorMode) {
  EXPECT_EQ(splitText("a\t b \tc", "\t", 100), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(splitText("a\tb \t", "\t", 100), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(splitText("", "\t", 100), (std::vector<std::string>{""}));
  EXPECT_EQ(splitText("\t\t", "\t", 100), (std::vector<std::string>{"", "", ""}));
  // Tabs are separators, never trimmed; blanks inside a field stay.
  EXPECT_EQ(splitText(" x y \t", "\t", 100), (std::vector<std::string>{"x y", ""}));
  // A multi-character separator is matched whole.
  EXPECT_EQ(splitText("a::b:c", "::", 100), (std::vector<std::string>{"a", "b:c"}));
}

TEST(Split, SeparatorModeNeverPassesTheFieldArray) {
  std::string line;
  for (int i = 0; i < 250; ++i) line += std::to_string(i) + "\t";
  std::vector<char*> fields(100, nullptr);
  int32_t n = split(line.data(), fields.data(), "\t", 100);
  EXPECT_EQ(n, 100);
  EXPECT_STREQ(fields[0], "0");
  EXPECT_STREQ(fields[98], "98");
  // The last field keeps the rest of the line.
  EXPECT_EQ(std::string(fields[99]).substr(0, 7), "99\t100\t");
}

TEST(Split, CommaMode) {
  EXPECT_EQ(splitText("x,\"a, b\",z", ",", 100), (std::vector<std::string>{"x", "a, b", "z"}));
  EXPECT_EQ(splitText("x,y,", ",", 100), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(splitText("a,b,c", ",", 2), (std::vector<std::string>{"a", "b,c"}));
  EXPECT_EQ(splitText("", ",", 100), (std::vector<std::string>{""}));
  // Blanks are kept and inner quotes stay as they are.
  EXPECT_EQ(splitText(" a ,\"say \"\"hi\"\"\"", ",", 100),
            (std::vector<std::string>{" a ", "say \"\"hi\"\""}));

  std::string text = "p,q";
  std::vector<char*> fields(4, reinterpret_cast<char*>(1));
  ASSERT_EQ(split(text.data(), fields.data(), ",", 3), 2);
  EXPECT_EQ(fields[2], nullptr);  // the entry after the last field
}

TEST(FileNameBody, PartAfterLastSlash) {
  EXPECT_STREQ(fileNameBody("/data/run/p1.txt"), "p1.txt");
  EXPECT_STREQ(fileNameBody("p1.txt"), "p1.txt");
  EXPECT_STREQ(fileNameBody("/data/run/"), "");
}

}  // namespace
