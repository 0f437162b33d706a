#pragma once

#include <cstdint>

#include "hostnet/adapter_table.h"
#include "platform/firmware_image.h"

namespace mirbo {

// The main window's fields that a recovery uses.
struct RecoveryState {
  FirmwareImage image;        // set before the listener starts, only read afterwards
  AdapterTable adapters;      // written once, by the adapter listing
  std::int32_t selection = 1; // the number the operator typed last
};

}  // namespace mirbo
