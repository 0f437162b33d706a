#pragma once

#include <stop_token>

#include "tftp/tftp_service.h"

namespace mirbo {

// The front door of the service: after the pause it binds the listener port,
// tells the operator how to start the router, and starts a thread of its own
// for every read request (ImageTransfer) and write request (UploadReceiver).
// Returns only when its socket cannot be made or its port not bound, or, when
// `stop` can be requested, soon after it is.
void RequestListener(TftpService& service, std::stop_token stop = {});

}  // namespace mirbo
