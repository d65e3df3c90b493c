#include "numerics/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

namespace ltr {
namespace {

TEST(NumberTextTest, FixedNotationAsTheWindowsShowIt) {
  EXPECT_EQ(FormatFixed(0.00016330464L, 8, 7), "0,0001633");
  EXPECT_EQ(FormatFixed(1.0000000000000007, 6, 3), "1,000");
  EXPECT_EQ(FormatFixed(4.0L, 6, 5), "4,00000");
  EXPECT_EQ(FormatFixed(30.0L, 4, 1), "30,0");
  EXPECT_EQ(FormatFixed(0.4L, 4, 3), "0,400");
  EXPECT_EQ(FormatFixed(0.0L, 8, 7), "0,0000000");
  EXPECT_EQ(FormatFixed(0.0123456789L, 8, 7), "0,0123457");
  EXPECT_EQ(FormatFixed(-0.2L, 3, 1), "-0,2");
  EXPECT_EQ(FormatFixed(2.5L, 6, 3), "2,500");
}

TEST(NumberTextTest, FixedNotationRoundsOnceAndCarries) {
  EXPECT_EQ(FormatFixed(0.9996L, 6, 3), "1,000");
  EXPECT_EQ(FormatFixed(9.99996L, 6, 4), "10,0000");
  EXPECT_EQ(FormatFixed(0.0004L, 6, 3), "0,000");
  EXPECT_EQ(FormatFixed(0.0006L, 6, 3), "0,001");
  EXPECT_EQ(FormatFixed(-0.0001L, 6, 3), "0,000");
  // Precision caps the significant digits before the decimals do.
  EXPECT_EQ(FormatFixed(123.456L, 4, 3), "123,500");
}

TEST(NumberTextTest, FixedNotationSwitchesToScientificBeyondThePrecision) {
  EXPECT_EQ(FormatFixed(1234.5L, 3, 1), "1,23E3");
  EXPECT_EQ(FormatFixed(123.4L, 3, 1), "123,0");
  EXPECT_EQ(FormatFixed(999.96L, 3, 1), "1E3");
}

TEST(NumberTextTest, ValuesThatAreNotNumbersHaveTexts) {
  EXPECT_EQ(FormatFixed(std::numeric_limits<Extended>::quiet_NaN(), 6, 3), "NAN");
  EXPECT_EQ(FormatFixed(-std::numeric_limits<Extended>::infinity(), 6, 3), "-INF");
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::infinity()), "INF");
}

TEST(NumberTextTest, GeneralNotation) {
  EXPECT_EQ(FormatGeneral(0.005), "0,005");
  EXPECT_EQ(FormatGeneral(0.01), "0,01");
  EXPECT_EQ(FormatGeneral(2.0), "2");
  EXPECT_EQ(FormatGeneral(2.5), "2,5");
  EXPECT_EQ(FormatGeneral(0.1), "0,1");
  EXPECT_EQ(FormatGeneral(1.0 / 3.0), "0,333333333333333");
  EXPECT_EQ(FormatGeneral(0.00001), "0,00001");
  EXPECT_EQ(FormatGeneral(0.00001L), "0,00001");  // exactly the bound: not below it
  EXPECT_EQ(FormatGeneral(0.000001), "1E-6");
  EXPECT_EQ(FormatGeneral(1.5e20), "1,5E20");
  EXPECT_EQ(FormatGeneral(-0.25), "-0,25");
  EXPECT_EQ(FormatGeneral(0.0), "0");
}

TEST(NumberTextTest, ParseRealAcceptsCommaOrPointAndRejectsTheRest) {
  Extended v = 0;
  ASSERT_TRUE(ParseReal("0,005", v));
  EXPECT_EQ(v, 0.005L);
  ASSERT_TRUE(ParseReal("0.005", v));
  EXPECT_EQ(v, 0.005L);
  ASSERT_TRUE(ParseReal(" -1,5e2 ", v));
  EXPECT_EQ(v, -150.0L);
  ASSERT_TRUE(ParseReal("1", v));
  EXPECT_EQ(v, 1.0L);
  ASSERT_TRUE(ParseReal(",5", v));
  EXPECT_EQ(v, 0.5L);
  v = 42;
  for (const char* bad : {"", " ", "abc", "1,2,3", "1.2.3", "1e", "--1", "1 2", "inf", "nan", "0x10",
                          "1e99999", ",", "1,5x"}) {
    EXPECT_FALSE(ParseReal(bad, v)) << bad;
  }
  EXPECT_EQ(v, 42.0L);
}

TEST(NumberTextTest, ParseIntegerIsStrict) {
  int v = 0;
  ASSERT_TRUE(ParseInteger("400", v));
  EXPECT_EQ(v, 400);
  ASSERT_TRUE(ParseInteger("-7", v));
  EXPECT_EQ(v, -7);
  ASSERT_TRUE(ParseInteger("-2147483648", v));
  EXPECT_EQ(v, -2147483647 - 1);
  for (const char* bad : {"", "4,0", "1e3", "2147483648", "99999999999999999999", "x"}) {
    EXPECT_FALSE(ParseInteger(bad, v)) << bad;
  }
}

TEST(NumberTextTest, ParseRealReadsUnderflowAsZero) {
  Extended v = 42;
  ASSERT_TRUE(ParseReal("1e-5000", v));
  EXPECT_EQ(v, 0.0L);
  ASSERT_TRUE(ParseReal("-0,0001e-4990", v));
  EXPECT_EQ(v, 0.0L);
  EXPECT_TRUE(std::signbit(v));
  EXPECT_FALSE(ParseReal("0,001e4940", v));
  ASSERT_TRUE(ParseReal("0,0000", v));
  EXPECT_EQ(v, 0.0L);
}

// The window system hands the desktop's locale to the C library; Russian and
// German desktops use a decimal comma there. Texts of the fields must read and
// show the same whatever that locale is.
class NumberTextLocaleTest : public ::testing::TestWithParam<const char*> {
 protected:
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_P(NumberTextLocaleTest, FieldTextsReadAndShowAsInTheCLocale) {
  const std::vector<std::string> texts = {
      "0,02", "0.02",   "4",        "1,00000",  "0,4",      "0,45",   "0,15",  "0,03",
      "0,5",  "0,0001", "2650",     "1,8E-5",   "0,0000181", "1,2",   "0,3333333", "0,3333334",
      "1E-6", "30",     "0,0001633", "1e-5000", "-2,5",     "66,6667", "222220"};
  std::vector<Extended> expected;
  std::vector<std::string> shown;
  std::setlocale(LC_ALL, "C");
  for (const auto& t : texts) {
    Extended v = -1;
    ASSERT_TRUE(ParseReal(t, v)) << t;
    expected.push_back(v);
    shown.push_back(FormatFixed(v, 8, 7) + " " + FormatFixed(v, 6, 3) + " " + FormatGeneral(v));
  }

  if (std::setlocale(LC_ALL, GetParam()) == nullptr) {
    if (std::getenv("LTR_REQUIRE_LOCALES") != nullptr) FAIL() << "locale " << GetParam() << " is not installed";
    GTEST_SKIP() << "locale " << GetParam() << " is not installed";
  }
  for (size_t i = 0; i < texts.size(); ++i) {
    Extended v = -1;
    ASSERT_TRUE(ParseReal(texts[i], v)) << texts[i] << " under " << GetParam();
    EXPECT_EQ(v, expected[i]) << texts[i] << " under " << GetParam();
    EXPECT_EQ(FormatFixed(v, 8, 7) + " " + FormatFixed(v, 6, 3) + " " + FormatGeneral(v), shown[i])
        << texts[i] << " under " << GetParam();
  }
  Extended v = 0;
  EXPECT_FALSE(ParseReal("1,2,3", v));
  EXPECT_EQ(FormatFixed(0.4L, 4, 3), "0,400");
  EXPECT_EQ(FormatFixed(1234.5L, 3, 1), "1,23E3");
}

INSTANTIATE_TEST_SUITE_P(Desktops, NumberTextLocaleTest,
                         ::testing::Values("C.UTF-8", "ru_RU.UTF-8", "de_DE.UTF-8"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '.' || c == '-') c = '_';
                           return name;
                         });

}  // namespace
}  // namespace ltr
