#pragma once

#include <cstdint>

#include "console/output_log.h"
#include "platform/host_services.h"

namespace mirbo {

inline constexpr std::uint32_t kRouterAddress = 0xC0A8C701;  // 192.168.199.1
inline constexpr std::uint32_t kEchoWaitUs = 300'000;
inline constexpr std::uint32_t kProbePauseMs = 1'000;

// Returns once the router has answered ten echo probes, which need not follow
// each other; appends "." after every probe that failed, after a pause of
// `pause_ms`. Never gives up.
void WaitForRouter(HostServices& host, OutputLog& output, std::uint32_t echo_wait_us = kEchoWaitUs,
                   std::uint32_t pause_ms = kProbePauseMs);

// Sends one echo request to the router on a socket of its own and waits for
// its answer. False when it could not be sent, or when `echo_wait_us` passed
// without any datagram; every datagram that is not the answer starts a new
// wait.
bool ProbeRouter(HostServices& host, std::uint32_t echo_wait_us = kEchoWaitUs);

}  // namespace mirbo
