#include "console/read_selection.h"

#include <cstddef>
#include <limits>

namespace mirbo {
namespace {

constexpr std::size_t kReadBytes = 31;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A signed decimal number at `*position`, after any white space; the value
// saturates at the ends of the 32-bit range and is 0 without digits. Moves
// `*position` past the digits, or leaves it where it was when there were none.
std::int32_t ReadNumber(std::string_view text, std::size_t* position) {
  std::size_t at = *position;
  while (at < text.size() && IsWhiteSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  if (at == text.size() || !IsDigit(text[at])) return 0;

  // Kept one past the 32-bit range at most, so it never overflows.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    if (magnitude < kLimit) magnitude = magnitude * 10 + (text[at] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  *position = at;
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

}  // namespace

bool ReadSelection(std::string_view text, std::int32_t* selection) {
  text = text.substr(0, kReadBytes);
  std::size_t position = 0;
  while (position < text.size() && IsBlank(text[position])) ++position;
  const char lead = position < text.size() ? text[position] : '\0';

  const std::int32_t value = ReadNumber(text, &position);
  // Without this, an empty field or a word would silently choose connection 0.
  if (value == 0 && lead != '0') return false;
  while (position < text.size() && IsBlank(text[position])) ++position;
  if (position != text.size()) return false;

  *selection = value;
  return true;
}

}  // namespace mirbo
