#pragma once

#include <cstdint>

#include "hostnet/router_wait.h"
#include "tftp/tftp_settings.h"

namespace mirbo {

// Ports and times of a recovery. The defaults are the product's fixed
// values; tests pass free ports and short times.
struct RecoverySettings {
  TftpSettings tftp;
  std::uint32_t echo_wait_us = kEchoWaitUs;
  std::uint32_t probe_pause_ms = kProbePauseMs;
};

}  // namespace mirbo
