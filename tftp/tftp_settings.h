#pragma once

#include <cstdint>

namespace mirbo {

// Ports and times of the TFTP service. The defaults are the product's fixed
// values; tests pass free ports and short times.
struct TftpSettings {
  std::uint16_t listener_port = 69;
  std::uint16_t first_transfer_port = 56991;
  std::uint32_t first_reply_timeout_us = 1'000'000;
  // A transfer gives up when a wait of this length (or longer) passed in silence.
  std::uint32_t last_reply_timeout_us = 32'000'000;
  // Gives the address change time to settle before port 69 is bound.
  std::uint32_t listener_pause_ms = 5000;
};

}  // namespace mirbo
