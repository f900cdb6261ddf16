// The fast readers of plain numbers against the C conversions they stand in
// for, on texts of every shape: where they answer, the value is the C one.
#include "base/c_numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

std::string randomNumberText(std::mt19937_64& rng) {
  static const char* const pieces[] = {
      "0",   "1",     "7",         "9",          "12",
      "000", "45678", "123456789", "4294967296", "99999999999999999999",
      ".",   ".",     "-",         "+",          " ",
      "e",   "E5",    "e-3",       "x",          "0x1p3",
      "inf", "nan",   "\t",        "a",          "\n",
      "5.",  "..",    ",",         "999999999"};
  std::string text;
  const int parts = 1 + static_cast<int>(rng() % 5);
  for (int i = 0; i < parts; ++i) text += pieces[rng() % (sizeof pieces / sizeof *pieces)];
  return text;
}

template <class Real>
void expectSameBits(Real got, Real want, const std::string& text) {
  ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << '"' << text << '"';
}

TEST(CNumbers, PlainFormsReadWhatTheCConversionsRead) {
  std::mt19937_64 rng(5);
  int plainReals = 0, plainIntegers = 0;
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    if (i % 3 == 0) {
      // The common shapes: "%9.2f"-like fields, map positions, frequencies.
      char buffer[64];
      const double v = static_cast<double>(rng() % 2000000000) / std::pow(10.0, rng() % 12);
      std::snprintf(buffer, sizeof buffer, "%*.*f%s", static_cast<int>(rng() % 14),
                    static_cast<int>(rng() % 10), rng() % 4 == 0 ? -v : v,
                    rng() % 3 == 0 ? "\tx" : "");
      text = buffer;
    } else {
      text = randomNumberText(rng);
    }
    const char* c = text.c_str();

    double d = 0;
    if (plainDecimalPrefix(c, d)) {
      ++plainReals;
      expectSameBits(d, std::strtod(c, nullptr), text);
      expectSameBits(d, std::atof(c), text);
      double scanned = 0;
      ASSERT_EQ(std::sscanf(c, "%lf", &scanned), 1) << text;
      expectSameBits(d, scanned, text);
    }
    float f = 0;
    if (plainDecimalPrefix(c, f)) {
      float scanned = 0;
      ASSERT_EQ(std::sscanf(c, "%f", &scanned), 1) << text;
      expectSameBits(f, scanned, text);
    }
    int64_t n = 0;
    if (plainIntegerPrefix(c, n, 18)) {
      ++plainIntegers;
      ASSERT_EQ(n, std::strtol(c, nullptr, 10)) << text;
      long scanned = 0;
      ASSERT_EQ(std::sscanf(c, "%ld", &scanned), 1) << text;
      ASSERT_EQ(n, scanned) << text;
    }
    if (plainIntegerPrefix(c, n, 9)) {
      int scanned = 0;
      ASSERT_EQ(std::sscanf(c, "%d", &scanned), 1) << text;
      ASSERT_EQ(n, scanned) << text;
    }
  }
  // Both paths were taken often enough to mean something.
  EXPECT_GT(plainReals, 50000);
  EXPECT_GT(plainIntegers, 50000);

  // Forms the C conversions read differently from a plain prefix are left to them.
  double d = 0;
  for (const char* text :
       {"1e5", "0x10", "inf", "nan", ".5", "5.", "+1", "1.5.2", "\t3", "1.2E3"}) {
    EXPECT_FALSE(plainDecimalPrefix(text, d)) << text;
  }
  int64_t n = 0;
  EXPECT_FALSE(plainIntegerPrefix("1234567890", n, 9));  // "%d" keeps 32 bits of it
  EXPECT_FALSE(plainIntegerPrefix("+4", n, 9));
  EXPECT_TRUE(plainIntegerPrefix("  -42abc", n, 9));
  EXPECT_EQ(n, -42);
}

}  // namespace
