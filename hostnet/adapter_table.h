#pragma once

#include <array>
#include <cstdint>

namespace mirbo {

// The numbered connection names of the Ethernet adapters. Numbers run from 1
// to count; slot 0 is never used, so at most 255 names fit.
struct AdapterTable {
  static constexpr int kSlots = 256;
  static constexpr int kSlotBytes = 256;

  std::int32_t count = 0;
  std::array<std::array<char, kSlotBytes>, kSlots> names{};
};

}  // namespace mirbo
