#pragma once

#include <cstdint>
#include <string_view>

namespace mirbo {

// Reads the entry line as a whole number, the way whole-number fields of
// dialogs always have: of the first 31 bytes, blanks, an optional sign,
// decimal digits clamped to the signed 32-bit range, then nothing but blanks.
// A value of 0 counts only when it was written with the digit 0 first.
// True with `*selection` set; false, leaving it alone, when refused.
bool ReadSelection(std::string_view text, std::int32_t* selection);

}  // namespace mirbo
