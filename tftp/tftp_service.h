#pragma once

#include <functional>

#include "console/output_log.h"
#include "platform/firmware_image.h"
#include "platform/host_services.h"
#include "tftp/tftp_settings.h"
#include "tftp/uploads_in_progress.h"

namespace mirbo {

// What the listener and every transfer it starts work with. It must outlive
// all of them; in the product it lives for the program's life.
struct TftpService {
  HostServices& host;
  OutputLog& output;
  FirmwareImage image;                  // served to every read request, never copied
  std::function<void()> finish_recovery; // run by a transfer that delivered the image
  TftpSettings settings;
  UploadsInProgress uploads;
};

}  // namespace mirbo
