#pragma once

#include <cstddef>
#include <string_view>

namespace mirbo {

// The longest name whose path ".\name" still fits in 259 bytes.
inline constexpr std::size_t kMaxUploadNameSize = 257;

// True when `name` names a plain file in the working directory: not empty,
// at most 257 bytes, no directory separator of any OS, no drive or stream
// colon, and not a name of a directory itself ("." or "..").
bool UploadNameIsAcceptable(std::string_view name);

}  // namespace mirbo
