#pragma once

#include <cstdint>

#include "platform/firmware_image.h"
#include "tftp/tftp_service.h"
#include "tftp/transfer_request.h"

namespace mirbo {

// Serves one read request: sends the whole image to the client, one
// acknowledged 512-byte block at a time, shows the progress, and at the end
// runs the recovery's closing steps on this thread.
void ImageTransfer(TftpService& service, TransferRequest request);

// Copies at most `maximum` bytes of `image` from `position` on into
// `destination`; returns how many, 0 at the end of the image.
std::uint32_t ReadImageChunk(const FirmwareImage& image, std::uint32_t position,
                             std::uint8_t* destination, std::uint32_t maximum);

}  // namespace mirbo
