#pragma once

#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "console/output_log.h"
#include "platform/host_services.h"
#include "recovery/recovery_settings.h"
#include "recovery/recovery_state.h"
#include "tftp/tftp_service.h"

namespace mirbo {

// The fixed order of a recovery's steps, from the operator's choice to the
// success text. AutoStart, ChooseAdapter and StartRecovery run on the window
// thread; FinishRecovery runs on the transfer thread that delivered the
// image. Everything the operator learns is appended to `output`.
//
// Transfer threads are detached and use what a start gave them, so this
// object must outlive them: in the product it lives for the program's life.
class RecoverySequence {
 public:
  RecoverySequence(HostServices& host, OutputLog& output, RecoveryState& state,
                   RecoverySettings settings = {});

  // After the adapter listing: with exactly one connection, starts at once.
  void AutoStart();

  // After Enter: starts with the selected connection when it is listed,
  // otherwise tells the operator to choose again.
  void ChooseAdapter();

  // Boot-loader address for the selected connection, the image, then the
  // request listener on a thread of its own. Returns once that thread has
  // started or a step has failed. The selection must name a listed
  // connection (AutoStart and ChooseAdapter see to that).
  void StartRecovery();

  // Router address, wait for the router, DHCP, wait again, success. The
  // connection is the one its start was made for, whatever was typed since.
  void FinishRecovery(const std::string& connection_name);

  // Asks every listener to end; only tests do this, before they join the
  // host's threads.
  void StopListeners();

 private:
  HostServices& host_;
  OutputLog& output_;
  RecoveryState& state_;
  const RecoverySettings settings_;
  std::stop_source stop_;
  // One service per start, each carrying the connection name of its start.
  std::vector<std::unique_ptr<TftpService>> services_;
};

}  // namespace mirbo
