#include "platform/embedded_image.h"

extern "C" const std::uint8_t mirbo_image_begin[];
extern "C" const std::uint8_t mirbo_image_end[];

namespace mirbo {

FirmwareImage EmbeddedFirmwareImage() {
  return {mirbo_image_begin, static_cast<std::uint32_t>(mirbo_image_end - mirbo_image_begin)};
}

bool EmbeddedImageIsStandIn() { return MIRBO_STAND_IN_IMAGE != 0; }

}  // namespace mirbo
