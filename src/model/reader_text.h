// Small pieces the PLY and STL readers share: numbers read from tokens, and
// text from a file quoted in a message.
#pragma once

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace quervik::readtext {

// Drops a leading "+", which from_chars does not take; false when nothing
// is left or a "-" follows it.
inline bool DropPlus(std::string_view& token) {
  if (!token.empty() && token.front() == '+') {
    token.remove_prefix(1);
    if (!token.empty() && token.front() == '-') return false;
  }
  return !token.empty();
}

// A whole token as a number: decimal, optionally signed ("+" too), with a
// point and an exponent as C writes them; "nan" and "inf" are numbers here,
// for the caller to refuse where it must. False for anything else, also for
// a number beyond the range of doubles.
inline bool ParseNumber(std::string_view token, double& value) {
  if (!DropPlus(token)) return false;
  const char* e = token.data() + token.size();
  const auto r = std::from_chars(token.data(), e, value, std::chars_format::general);
  return r.ec == std::errc() && r.ptr == e;
}

// A whole token as an integer with an optional sign, 0 … ±2^63.
inline bool ParseInteger(std::string_view token, std::int64_t& value) {
  if (!DropPlus(token)) return false;
  const char* e = token.data() + token.size();
  const auto r = std::from_chars(token.data(), e, value, 10);
  return r.ec == std::errc() && r.ptr == e;
}

// Whether the token is `word`, upper or lower case alike.
inline bool IsWord(std::string_view token, std::string_view word) {
  if (token.size() != word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = token[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

// Text from the file for a message: printable ASCII as it is, any other
// byte as '?', cut after 24 characters.
inline std::string Quoted(std::string_view text) {
  constexpr std::size_t kShown = 24;
  std::string out;
  for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
    const char c = text[i];
    out += c >= ' ' && c <= '~' ? c : '?';
  }
  if (text.size() > kShown) out += "...";
  return out;
}

// The prefix naming a line of text in a message.
inline std::string LinePrefix(std::int64_t line) {
  return "Zeile " + std::to_string(line) + ": ";
}

}  // namespace quervik::readtext
