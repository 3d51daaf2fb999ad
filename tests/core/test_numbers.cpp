#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "core/Error.h"
#include "core/Numbers.h"

using namespace korv;

struct FormatCase {
  double value;
  const char* expected;
};

TEST(HeaderRealFormat, TableOfCases) {
  const FormatCase cases[] = {
      {0.5, "0.5"},
      {300, "300"},
      {0.0001, "0.0001"},
      {9e-5, "9E-5"},
      {1.5e-7, "1.5E-7"},
      {4.8e15, "4.8E15"},
      {0, "0"},
      {-0.5, "-0.5"},
      {5000, "5000"},
      {1e15, "1E15"},
      {999999999999999, "999999999999999"},
      {0.1, "0.1"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {-4.8e-20, "-4.8E-20"},
      {123456.789, "123456.789"},
      {0.063, "0.063"},
      {1e100, "1E100"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatHeaderReal(c.value), c.expected) << c.value;
}

TEST(PointFormat, StreamDefault) {
  const FormatCase cases[] = {
      {300, "300"},
      {77.5, "77.5"},
      {0.000123456789, "0.000123457"},
      {1.23456789e15, "1.23457e+15"},
      {1, "1"},
      {0, "0"},
      {-2.5, "-2.5"},
      {123456, "123456"},
      {1234567, "1.23457e+06"},
      {0.0001, "0.0001"},
      {0.00001, "1e-05"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatPoint(c.value), c.expected) << c.value;
}

struct PatternCase {
  double value;
  const char* pattern;
  const char* expected;
};

TEST(DisplayPattern, TableOfCases) {
  const PatternCase cases[] = {
      {1.234e16, "0.00E+00", "1.23E+16"},
      {9.995, "0.00E+00", "1.00E+01"},
      {-3.456e-5, "0.00E+00", "-3.46E-05"},
      {0, "0.00E+00", "0.00E+00"},
      {1e-300, "0.00E+00", "1.00E-300"},
      {1.5e16, "0.00E-00", "1.50E16"},
      {1.5e-16, "0.00E-00", "1.50E-16"},
      {0.045612345, "0.####", "0.0456"},
      {0.05, "0.####", "0.05"},
      {0.0, "0.####", "0"},
      {-0.02, "0.####", "-0.02"},
      {0.123456789, "0.######", "0.123457"},
      {0.1, "0.######", "0.1"},
      {2.675, "0.00", "2.68"},
      {0.125, "0.00", "0.13"},
      {-0.125, "0.00", "-0.13"},
      {-0.001, "0.00", "0.00"},
      {99.96, "0.0", "100.0"},
      {3.14159, "#0.000", "3.142"},
      {0.5, "#0.000", "0.500"},
      {5.25, "000.0", "005.3"},
      {123.45, "000.0", "123.5"},
      {1234.5, "000.0", "1234.5"},
      {0.12345, "0.0000", "0.1235"},
      {2.5, "0.#####", "2.5"},
      {1.23456789e-3, "0.00000000E+00", "1.23456789E-03"},
      {1.0e15, "0.0E+00", "1.0E+15"},
      {1.25e15, "0.0#E+00", "1.25E+15"},
      {1.2e15, "0.0#E+00", "1.2E+15"},
      {1e15, "0.0#E+00", "1.0E+15"},
      {9.999e99, "0.0E+00", "1.0E+100"},
      {1e20, "0.0", "100000000000000000000.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatPattern(c.value, c.pattern), c.expected) << c.value << " " << c.pattern;
}

TEST(DisplayPattern, NonFiniteValues) {
  EXPECT_EQ(FormatPattern(std::numeric_limits<double>::quiet_NaN(), "0.00"), "NAN");
  EXPECT_EQ(FormatPattern(std::numeric_limits<double>::infinity(), "0.00E+00"), "INF");
  EXPECT_EQ(FormatPattern(-std::numeric_limits<double>::infinity(), "0.####"), "-INF");
  EXPECT_EQ(FormatHeaderReal(std::numeric_limits<double>::quiet_NaN()), "NAN");
}

TEST(Parsing, AcceptsWholeNumbers) {
  EXPECT_DOUBLE_EQ(ParseReal("0.5"), 0.5);
  EXPECT_DOUBLE_EQ(ParseReal("  1.5e16 "), 1.5e16);
  EXPECT_DOUBLE_EQ(ParseReal("-3"), -3);
  EXPECT_DOUBLE_EQ(ParseReal("+2E-3"), 2e-3);
  EXPECT_DOUBLE_EQ(ParseReal(".5"), 0.5);
  EXPECT_EQ(ParseInt(" 42 "), 42);
  EXPECT_EQ(ParseInt("-7"), -7);
}

TEST(Parsing, RejectsWithTheUsersText) {
  const char* reals[] = {"abc", "", "1.5x", "0,5", "nan", "inf", "1e999", "0x10", "1 2", "--1"};
  for (const char* t : reals) {
    try {
      ParseReal(t);
      ADD_FAILURE() << "accepted " << t;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + t + "' is not a valid floating point value");
    }
  }
  const char* ints[] = {"1.5", "", "x", "99999999999", "3e2"};
  for (const char* t : ints) {
    try {
      ParseInt(t);
      ADD_FAILURE() << "accepted " << t;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + t + "' is not a valid integer value");
    }
  }
}

TEST(Parsing, IndependentOfTheDesktopLocale) {
  const char* old = std::setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
  EXPECT_DOUBLE_EQ(ParseReal("0.5"), 0.5);
  EXPECT_EQ(FormatHeaderReal(0.5), "0.5");
  EXPECT_EQ(FormatPoint(77.5), "77.5");
  EXPECT_EQ(FormatPattern(2.675, "0.00"), "2.68");
  std::setlocale(LC_ALL, saved.c_str());
}
