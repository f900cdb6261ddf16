// The fast formatter gives printf's bytes.
#include "base/text_buffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "base/formatted.h"

namespace {

std::string viaBuffer(double value, int64_t integer) {
  FILE* f = std::tmpfile();
  {
    TextBuffer out(f, 16);
    out.fixed6(value).ch('\t').integer(integer).text("\n");
  }
  std::string text(static_cast<size_t>(std::ftell(f)), '\0');
  std::rewind(f);
  EXPECT_EQ(std::fread(text.data(), 1, text.size(), f), text.size());
  std::fclose(f);
  return text;
}

std::string viaPrintf(double value, int64_t integer) {
  char text[512];
  std::snprintf(text, sizeof text, "%f\t%ld\n", value, static_cast<long>(integer));
  return text;
}

TEST(TextBuffer, SameBytesAsPrintf) {
  const double specials[] = {0.0,
                             -0.0,
                             0.5,
                             1.0000005,
                             2.0000005,
                             0.0000005,
                             0.0000015,
                             1e-7,
                             123456789.125,
                             1e300,
                             -1e300,
                             3.0f * 0.1f,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             -std::numeric_limits<double>::quiet_NaN(),
                             0.0 / 1e-320};
  for (double v : specials) EXPECT_EQ(viaBuffer(v, -42), viaPrintf(v, -42)) << v;
  const double zero = 0.0;
  EXPECT_EQ(viaBuffer(zero / zero, 0), viaPrintf(zero / zero, 0));  // the "-nan" of 0/0

  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> map(0.0, 400.0);
  std::uniform_int_distribution<int64_t> ints(std::numeric_limits<int64_t>::min(),
                                              std::numeric_limits<int64_t>::max());
  for (int i = 0; i < 40000; ++i) {
    double v = map(rng);
    if (i % 3 == 0) v = static_cast<float>(v / 400.0);     // single-precision frequencies
    if (i % 7 == 0) v = std::round(v * 1e6) / 1e6 + 5e-7;  // near ties
    const int64_t n = ints(rng);
    ASSERT_EQ(viaBuffer(v, n), viaPrintf(v, n)) << v;
  }
}

// The row writers' single conversions, the one-digit path of integer() and
// rows written through reserve()/commit() give printf's bytes too.
TEST(TextBuffer, ConversionsOfTheRowWritersGivePrintfBytes) {
  std::mt19937_64 rng(11);
  const double specials[] = {0.0,
                             -0.0,
                             0.005,
                             -0.125,
                             2.675,
                             99999999.995,
                             1e300,
                             -1e300,
                             std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN(),
                             -std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::denorm_min()};
  std::uniform_real_distribution<double> any(-1e6, 1e6);
  for (int i = 0; i < 60000; ++i) {
    const double v = i < 13 * 16 ? specials[i % 13] : i % 5 == 0 ? any(rng) / 1e5 : any(rng);
    const int width = static_cast<int>(rng() % 32) - 12;  // negative: left-aligned
    const int precision = static_cast<int>(rng() % 7);
    std::string got;
    appendFixed(got, v, width, precision);
    char want[512];
    std::snprintf(want, sizeof want, "%*.*f", width, precision, v);
    ASSERT_EQ(got, want) << v << " " << width << " " << precision;

    const int64_t n =
        i % 3 == 0 ? static_cast<int64_t>(rng() % 21) - 10 : static_cast<int64_t>(rng());
    got.clear();
    appendInteger(got, n, width);
    std::snprintf(want, sizeof want, "%*ld", width, static_cast<long>(n));
    ASSERT_EQ(got, want) << n;
    if (i % 30 == 0) {
      ASSERT_EQ(viaBuffer(0.5, n), viaPrintf(0.5, n));
    }
  }

  // Rows through the pointer interface, across growth of the buffer.
  TextBuffer rows;
  std::string want;
  for (int row = 0; row < 3000; ++row) {
    char* at = rows.reserve(3 * (TextBuffer::kIntegerBytes + 1));
    for (int k = 0; k < 3; ++k) {
      const auto value = static_cast<int64_t>(rng() % 2 ? rng() % 10 : rng());
      at = TextBuffer::putInteger(at, value);
      *at++ = '\t';
      want += std::to_string(value) + "\t";
    }
    rows.commit(at);
    rows.text("x\n");
    want += "x\n";
  }
  EXPECT_EQ(rows.held(), want);
}

}  // namespace
