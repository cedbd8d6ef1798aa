// The literal token routines GetStr, GetFloat and GetInt (the reference
// reader's) on tiny strings, and the proof that the reader's string_view
// rules and the line reader's look-ahead follow them.
#include "model/obj_tokens.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/number_format.h"
#include "model/obj_lines.h"
#include "model/obj_reader.h"
#include "reference_reader.h"

namespace quervik {
namespace {

using namespace std::string_literals;
using test::GetFloat;
using test::GetInt;
using test::GetStr;

class TokenTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDecimalSeparator('.'); }
  void TearDown() override { SetDecimalSeparator('.'); }
};

struct StrCase {
  std::string in;
  std::string token;
  std::string rest;
};

TEST_F(TokenTest, GetStrSplitsAtSpacesOnly) {
  const StrCase cases[] = {
      {"", "", ""},
      {"   ", "", ""},
      {"abc", "abc", ""},
      {"  abc", "abc", ""},
      {"abc   ", "abc", ""},
      {"v 1 2 3", "v", "1 2 3"},
      {"  1   2 ", "1", "2 "},
      {"a\tb c", "a\tb", "c"},  // a tab is an ordinary character
      {"\t1 2", "\t1", "2"},
      {"1,5 2", "1,5", "2"},
      {"x\ry z", "x\ry", "z"},
      {"a\0b c"s, "a\0b"s, "c"},  // so is a NUL byte
      {"//7 8", "//7", "8"},
  };
  for (const StrCase& c : cases) {
    std::string s = c.in;
    EXPECT_EQ(GetStr(s), c.token) << "input '" << c.in << "'";
    EXPECT_EQ(s, c.rest) << "input '" << c.in << "'";
  }
}

TEST_F(TokenTest, GetStrOnAHugeString) {
  std::string s(1'000'000, ' ');
  s += std::string(2'000'000, 'x') + "  y";
  EXPECT_EQ(GetStr(s), std::string(2'000'000, 'x'));
  EXPECT_EQ(s, "y");
}

struct FloatCase {
  std::string in;
  double value;
  char separator;  // the process-wide separator after the call
  std::string rest;
};

TEST_F(TokenTest, GetFloatReadsBothSeparatorsAndSetsTheOneItSaw) {
  const FloatCase cases[] = {
      {"1.5 2", 1.5, '.', "2"}, {"1,5 2", 1.5, ',', "2"}, {"  -3,25", -3.25, ',', ""},
      {"+7", 7, '.', ""},       {"1e3", 1000, '.', ""},   {"2,5E-1", 0.25, ',', ""},
      {"1,5.5", 0, ',', ""},  // a comma decides: then the point is wrong
      {"1.000,5", 0, ',', ""},  {"1,2,3", 0, ',', ""},    {",", 0, ',', ""},
      {"abc 2", 0, '.', "2"},   {"", 0, '.', ""},         {"   ", 0, '.', ""},
      {"\t1", 0, '.', ""},  // a tab is part of the token, so it is no number
      {"1\r", 0, '.', ""},      {"inf", 0, '.', ""},      {"nan", 0, '.', ""},
      {"0x10", 0, '.', ""},     {"1e400", 0, '.', ""},  // too large for a double
      {"1e-400", 0, '.', ""},   {"-0", -0.0, '.', ""},    {".5", 0.5, '.', ""},
      {",5", 0.5, ',', ""},     {"5.", 5, '.', ""},       {"1e", 0, '.', ""},
      {"--1", 0, '.', ""},
  };
  for (const FloatCase& c : cases) {
    SetDecimalSeparator(c.separator == ',' ? '.' : ',');  // must be changed by the call
    std::string s = c.in;
    const double v = GetFloat(s);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(v), std::bit_cast<std::uint64_t>(c.value))
        << "input '" << c.in << "' gave " << v;
    EXPECT_EQ(DecimalSeparator(), c.separator) << "input '" << c.in << "'";
    EXPECT_EQ(s, c.rest) << "input '" << c.in << "'";
  }
}

TEST_F(TokenTest, GetFloatOnHugeTokens) {
  std::string digits(100'000, '7');
  std::string s = digits;
  EXPECT_EQ(GetFloat(s), 0.0);  // no one types such a number: refused, not cut
  s = "0." + std::string(300, '0') + "1";
  EXPECT_EQ(GetFloat(s), 1e-301);
}

struct IntCase {
  std::string in;
  std::int32_t value;
};

TEST_F(TokenTest, GetIntReadsSignedDecimalsAndGivesZeroOtherwise) {
  const IntCase cases[] = {
      {"12", 12},
      {"  -7 8", -7},
      {"+5", 5},
      {"007", 7},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", 0},
      {"-2147483649", 0},
      {"99999999999999999999", 0},
      {"1.5", 0},
      {"1,5", 0},
      {"1e3", 0},
      {"0x1F", 0},
      {"12a", 0},
      {"+", 0},
      {"-", 0},
      {"+-5", 0},
      {"-+5", 0},
      {"--5", 0},
      {"", 0},
      {"\t3", 0},
      {"3\r", 0},
  };
  for (const IntCase& c : cases) {
    SetDecimalSeparator(',');
    std::string s = c.in;
    EXPECT_EQ(GetInt(s), c.value) << "input '" << c.in << "'";
    EXPECT_EQ(DecimalSeparator(), ',') << "GetInt must leave the separator alone";
  }
  std::string rest = " 4  5 6";
  EXPECT_EQ(GetInt(rest), 4);
  EXPECT_EQ(rest, "5 6");
}

// The vertex part of a corner, and whether it is written as an integer
// (which tells "Eckpunkt 0 existiert nicht" from "'x' ist keine gültige
// Eckpunktnummer").
TEST_F(TokenTest, CornerVertexPartAndWrittenIntegers) {
  struct PartCase {
    std::string corner;
    std::string part;
    bool integer;
  };
  const PartCase cases[] = {
      {"1/2/3", "1", true},  {"//7", "7", true},   {"/-3/", "-3", true},
      {"-0", "-0", true},    {"+12", "+12", true}, {"99999999999/1", "99999999999", true},
      {"//", "", false},     {"", "", false},      {"+", "+", false},
      {"1.5", "1.5", false}, {"x/1", "x", false},  {"+-1", "+-1", false},
      {"1\t", "1\t", false}, {"1e3", "1e3", false}};
  for (const PartCase& c : cases) {
    EXPECT_EQ(objtok::CornerVertexPart(c.corner), c.part) << c.corner;
    EXPECT_EQ(objtok::IsWrittenInteger(c.part), c.integer) << c.corner;
  }
}

// --- the fast path against the routines above ---

// What GetFloat gives for one token, and which separator it sets.
void SlowFloat(const std::string& token, double& value, bool& comma) {
  std::string s = token;
  value = GetFloat(s);
  comma = DecimalSeparator() == ',';
}

// What the reader stores for one face corner: '/' becomes a blank, then GetInt.
std::int32_t SlowCorner(std::string corner) {
  std::replace(corner.begin(), corner.end(), '/', ' ');
  return GetInt(corner);
}

// The fast path reads straight from the line: the token alone, and the token
// with blanks around it and another token behind, which must come next.
void ExpectSameFloat(const std::string& token) {
  double slow = 0;
  bool slowComma = false;
  SlowFloat(token, slow, slowComma);
  double ignored = 0;
  const bool slowOk = TryStrToFloat(token, ignored, slowComma ? ',' : '.');
  for (const std::string& line : {token, "  " + token + "  7"}) {
    if (token.empty() && line != token) continue;  // the 7 would be the first token
    bool fastComma = !slowComma;
    bool fastOk = !slowOk;
    const char* p = line.data();
    const char* end = p + line.size();
    const double fast = objtok::NextFloat(p, end, fastComma, fastOk);
    EXPECT_EQ(fastOk, slowOk) << "line '" << line << "'";
    EXPECT_EQ(std::bit_cast<std::uint64_t>(fast), std::bit_cast<std::uint64_t>(slow))
        << "line '" << line << "'";
    EXPECT_EQ(fastComma, slowComma) << "line '" << line << "'";
    EXPECT_EQ(objtok::NextToken(p, end), line == token ? "" : "7") << "line '" << line << "'";
  }
  bool comma = !slowComma;
  EXPECT_EQ(std::bit_cast<std::uint64_t>(objtok::ParseFloat(token, comma)),
            std::bit_cast<std::uint64_t>(slow));
  EXPECT_EQ(comma, slowComma);
  // The line reader's look-ahead (obj_lines.h) takes a token only as the
  // rules read it, ended by a blank or the line's end (a carriage return
  // before the line feed is no part of the line, so a token ending in one is
  // tried with a blank behind only).
  for (const char* after : {" 7\n", "\n", "\r\n"}) {
    if (after[0] != ' ' && !token.empty() && token.back() == '\r') continue;
    std::string line = token + after;
    line.append(objlines::kPadding, 'x');
    double fast = 0;
    const char* end = objlines::FastNumber(line.data(), line.data() + line.size(), fast);
    if (end == nullptr) continue;
    EXPECT_TRUE(slowOk && !slowComma) << "taken: '" << token << "'";
    EXPECT_EQ(end, line.data() + token.size()) << "'" << token << "'";
    EXPECT_EQ(std::bit_cast<std::uint64_t>(fast), std::bit_cast<std::uint64_t>(slow))
        << "'" << token << "'";
  }
}

void ExpectSameInt(const std::string& token) {
  std::string s = token;
  EXPECT_EQ(objtok::ParseInt(token), GetInt(s)) << "token '" << token << "'";
  // A vertex part read as 0 is either written as an integer (0 or out of
  // range) or no integer at all.
  const std::string_view part = objtok::CornerVertexPart(token);
  if (objtok::CornerNumber(token) != 0) {
    EXPECT_TRUE(objtok::IsWrittenInteger(part)) << token;
  }
  const std::int32_t slowCorner = SlowCorner(token);
  EXPECT_EQ(objtok::CornerNumber(token), slowCorner) << "corner '" << token << "'";
  for (const std::string& line : {token, " " + token + "   7"}) {
    if (token.empty() && line != token) continue;
    const char* p = line.data();
    const char* end = p + line.size();
    EXPECT_EQ(objtok::NextCorner(p, end), slowCorner) << "line '" << line << "'";
    EXPECT_EQ(objtok::NextToken(p, end), line == token ? "" : "7") << "line '" << line << "'";
  }
  for (const char* after : {" 7\n", "\n", "\r\n"}) {
    if (after[0] != ' ' && !token.empty() && token.back() == '\r') continue;
    std::string line = token + after;
    line.append(objlines::kPadding, '5');
    std::int32_t fast = 0;
    const char* end = objlines::FastCorner(line.data(), fast);
    if (end == nullptr) continue;
    EXPECT_EQ(fast, slowCorner) << "taken: '" << token << "'";
    // Left at the blank or the line's end behind the token (a slashed token
    // is passed to its line feed, its carriage return with it).
    const char* behind = line.data() + token.size();
    EXPECT_TRUE(end == behind || (end == behind + 1 && *behind == '\r' && *end == '\n'))
        << "'" << token << "'";
  }
}

const char* const kTrickyTokens[] = {
    "",
    "0",
    "-0",
    "+0",
    "1",
    "-1",
    "+1",
    ".5",
    "-.5",
    "+.5",
    "5.",
    "-5.",
    ".",
    "-.",
    "+.",
    "-",
    "+",
    "1e5",
    "1E5",
    "1e+5",
    "1e-5",
    "1e",
    "1e+",
    "e5",
    ".e5",
    "1.e5",
    "-1.5e-3",
    "1e308",
    "1.8e308",
    "1e309",
    "1e-320",
    "1e-330",
    "4.9e-324",
    "2.4703282292062327e-324",
    "2.4703282292062328e-324",
    "0.1",
    "0.30000000000000004",
    "9007199254740993",
    "123456789012345678901234567890",
    "inf",
    "-inf",
    "infinity",
    "nan",
    "-nan",
    "NaN",
    "nan(1)",
    "0x1p3",
    "0x10",
    "1,5",
    "-1,5",
    ",5",
    "5,",
    "1,5e2",
    "1,5.2",
    "1.5,2",
    "1,,5",
    "1..5",
    "\t1",
    "1\t",
    "1\r",
    "12a",
    "a12",
    "--1",
    "+-1",
    "-+1",
    "1/2/3",
    "1//3",
    "/1",
    "//",
    "///7",
    "/-3/",
    "2147483647",
    "2147483648",
    "-2147483648",
    "-2147483649",
    "00000000000000000000042",
    "4294967297",
    "1.000000000000000000000000001",
    "0000000000000000000000000000000000000000000000000000000000000001.5",
    "1e0000000000000000000000000000000000000000000000000000000000000001",
    "999999999",
    "9999999999",
    "999999999/1",
    "9999999999/1",
    "-999999999",
    "-9999999999/",
    "123456789012/5",
    "1/",
    "-/5",
    "-1x/2",
    "12\t/3",
    "3-",
    "0/0/0",
};

TEST_F(TokenTest, FastPathAgreesOnTrickyTokens) {
  for (const char* t : kTrickyTokens) {
    ExpectSameFloat(t);
    ExpectSameInt(t);
  }
  ExpectSameFloat("1\0"s);
  ExpectSameInt("1\0"s);
  ExpectSameFloat(std::string(63, '1'));
  ExpectSameFloat(std::string(64, '1'));
  ExpectSameFloat(std::string(65, '1'));
  ExpectSameFloat("0." + std::string(600, '1'));
  ExpectSameInt(std::string(600, '1'));
}

TEST_F(TokenTest, FastPathAgreesOnRandomTokens) {
  std::mt19937 rng(20240611);
  const std::string alphabet = "0123456789012345678901234567890123456789.,-+eE/ xn\t";
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 24);
  for (int round = 0; round < 200'000; ++round) {
    std::string token;
    const int n = length(rng);
    for (int i = 0; i < n; ++i) token += alphabet[pick(rng)];
    token.erase(std::remove(token.begin(), token.end(), ' '), token.end());
    ExpectSameFloat(token);
    ExpectSameInt(token);
    if (HasFailure()) break;
  }
}

TEST_F(TokenTest, FastPathAgreesOnRandomNumbers) {
  std::mt19937_64 rng(7);
  for (int round = 0; round < 100'000; ++round) {
    const double v = std::bit_cast<double>(rng());
    char buf[512];
    const int n = std::snprintf(buf, sizeof buf, round % 2 ? "%.17g" : "%.6f", v);
    ExpectSameFloat(std::string(buf, static_cast<size_t>(n)));
    if (HasFailure()) break;
  }
}

TEST_F(TokenTest, FastPathAgreesOnLongDecimalsAndHalfwayCases) {
  // Numbers of up to 19 digits beyond 2^53: the midpoints between
  // neighbouring doubles (integers from 2^53 on, halves just below, where
  // rounding twice would go wrong), the numbers beside them, and random
  // digit strings with the point anywhere.
  std::mt19937_64 rng(11);
  std::vector<std::string> tokens;
  for (int e = 52; e <= 62; ++e) {
    for (int i = 0; i < 200; ++i) {
      const std::uint64_t x = (std::uint64_t{1} << e) | (rng() & ((std::uint64_t{1} << e) - 1));
      const std::uint64_t spacing = std::uint64_t{1} << (e - 52);
      const std::uint64_t d = x & ~(spacing - 1);  // a double
      if (e == 52) {
        for (const char* tail : {".5", ".4", ".6", ".50", ".499999"}) {
          tokens.push_back(std::to_string(d) + tail);
        }
        continue;
      }
      const std::uint64_t mid = d + spacing / 2;
      for (const std::uint64_t v : {mid, mid - 1, mid + 1}) tokens.push_back(std::to_string(v));
      tokens.push_back(std::to_string(mid) + ".0");
      tokens.push_back(std::string(1, '-').append(std::to_string(mid)));
    }
  }
  std::uniform_int_distribution<int> digit(0, 9), count(16, 19);
  for (int i = 0; i < 20'000; ++i) {
    std::string t = i % 3 == 0 ? "-" : "";
    const int n = count(rng);
    const int point = std::uniform_int_distribution<int>(0, n)(rng);
    for (int k = 0; k < n; ++k) {
      if (k == point) t += '.';
      t += static_cast<char>('0' + digit(rng));
    }
    tokens.push_back(t);
  }
  for (const std::string& t : tokens) {
    ExpectSameFloat(t);
    if (HasFailure()) break;
  }
}

TEST_F(TokenTest, NextTokenAgreesWithGetStr) {
  std::mt19937 rng(99);
  const std::string alphabet = "  ab\t\r\0"s;
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 16);
  for (int round = 0; round < 20'000; ++round) {
    std::string line;
    const int n = length(rng);
    for (int i = 0; i < n; ++i) line += alphabet[pick(rng)];
    std::string slow = line;
    const char* p = line.data();
    const char* end = p + line.size();
    for (int k = 0; k < 6; ++k) {
      const std::string_view fast = objtok::NextToken(p, end);
      ASSERT_EQ(std::string(fast), GetStr(slow)) << "line '" << line << "' token " << k;
    }
  }
}

}  // namespace
}  // namespace quervik
