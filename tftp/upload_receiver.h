#pragma once

#include "tftp/tftp_service.h"
#include "tftp/transfer_request.h"

namespace mirbo {

// Serves one write request: stores the client's file under the requested
// name in the working directory. Tells the operator nothing.
void UploadReceiver(TftpService& service, TransferRequest request);

}  // namespace mirbo
