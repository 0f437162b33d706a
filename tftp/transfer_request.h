#pragma once

#include <memory>
#include <string>

#include "platform/udp_socket.h"

namespace mirbo {

// What one transfer thread is given; the thread owns its copy.
struct TransferRequest {
  // Port 69's socket; a transfer sends from it only "SOCKET error!".
  std::shared_ptr<UdpSocket> listening_socket;
  Ipv4Endpoint client;  // every packet of the transfer goes here
  std::string name;     // the upload's file name; the image transfer ignores it
};

}  // namespace mirbo
