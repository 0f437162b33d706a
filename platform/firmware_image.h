#pragma once

#include <cstdint>

namespace mirbo {

// Read-only view of the flash image linked into the program. The bytes live
// for the program's life; nothing copies or frees them.
struct FirmwareImage {
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
};

}  // namespace mirbo
