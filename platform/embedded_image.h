#pragma once

#include "platform/firmware_image.h"

namespace mirbo {

// The image the build embedded; size 0 when there is none.
FirmwareImage EmbeddedFirmwareImage();

// True when the build embedded the generated stand-in instead of a factory
// image. Flashing the stand-in would damage a real router.
bool EmbeddedImageIsStandIn();

// Shown to the operator, before anything else, by a program that carries the stand-in.
inline constexpr char kStandInWarning[] =
    "警告：本程序内置的是测试用替代镜像，不是Mirbo出厂固件，切勿用于真实路由器！\n";

}  // namespace mirbo
