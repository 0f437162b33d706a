#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "console/output_log.h"
#include "tests/fakes/fake_host_services.h"
#include "tests/tftp/scripted_peer.h"
#include "tftp/tftp_service.h"

namespace mirbo {

// Settings for tests: free ports, and a reply timeout patient enough for a
// busy machine (6.3 s of silence before a transfer gives up).
TftpSettings TestSettings();

// Test settings whose transfers give up after 1, 2, 4, 8, 16 and 32 ms of silence.
TftpSettings ImpatientSettings();

// The TFTP service over the fake host, with its image, its output log and a
// recorded finish_recovery. Destroying it stops the listener and joins every
// transfer thread.
class ServiceHarness {
 public:
  explicit ServiceHarness(Bytes image = PatternBytes(100), TftpSettings settings = TestSettings());
  ~ServiceHarness();

  // A transfer started directly, as the listener would, for `client`;
  // `listening_socket` stands in for port 69.
  void StartImageTransfer(const Ipv4Endpoint& client);
  void StartUploadReceiver(const Ipv4Endpoint& client, const std::string& name);

  // The listener on a thread of its own; true once it has told the operator
  // how to start the router.
  bool StartListener();
  Ipv4Endpoint ListenerAddress() const { return {kLoopback, service.settings.listener_port}; }

  // Stops the listener and waits for every transfer to end.
  void Finish();

  // Waits until the output log holds `text`.
  bool WaitForOutput(std::string_view text);

  FakeHostServices host;
  OutputLog output;
  Bytes image;
  std::mutex finish_mutex;  // transfers that deliver at once finish at once
  int finish_calls = 0;
  std::string output_at_finish;
  TftpService service;
  std::shared_ptr<UdpSocket> listening_socket;

 private:
  std::jthread listener_;
};

}  // namespace mirbo
