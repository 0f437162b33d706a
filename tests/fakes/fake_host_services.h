#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/host_services.h"

namespace mirbo {

// Host services for tests: records every call in order, takes its answers
// from public fields, and switches failures on. Sockets are real (loopback);
// pauses return at once; started threads are joined by JoinThreads() and at
// destruction, so a test never leaves one running.
class FakeHostServices : public HostServices {
 public:
  ~FakeHostServices() override;

  // Answers.
  std::vector<AdapterRecord> adapters;
  std::optional<std::uint32_t> list_status;                // forced ListAdapters status
  std::map<std::string, std::string> connection_names;     // adapter id -> name; missing id fails
  CommandResult command_result = CommandResult::Succeeded;
  FirmwareImage image{};
  std::optional<std::string> version_description;
  std::uint32_t process_id = 0x1234;
  bool fail_thread_start = false;
  bool fail_udp_socket = false;
  bool fail_upload_file = false;
  // Sends on the UDP sockets it opens for which this answers true go out
  // short: nothing is sent and one byte less is reported.
  std::function<bool(const std::uint8_t* data, std::size_t size)> cut_send;
  std::function<std::unique_ptr<EchoSocket>()> echo_socket_factory;  // null: no echo socket

  // Record of calls, e.g. "ListAdapters(1)", "RunHiddenCommand(netsh ...)", "Pause(5000)".
  std::vector<std::string> Calls() const;
  void JoinThreads();

  std::uint32_t ListAdapters(AdapterRecord* records, std::uint32_t* count) override;
  bool ReadConnectionName(const std::string& adapter_id, std::string* name) override;
  CommandResult RunHiddenCommand(const std::string& command_line) override;
  bool LoadFirmwareImage(FirmwareImage* image) override;
  bool ReadVersionDescription(std::string* description) override;
  std::uint32_t ProcessId() override;
  void Pause(std::uint32_t milliseconds) override;
  bool StartThread(std::function<void()> body) override;
  std::unique_ptr<UdpSocket> OpenUdpSocket() override;
  std::unique_ptr<EchoSocket> OpenEchoSocket() override;
  std::unique_ptr<UploadFile> CreateUploadFile(const std::string& name) override;

  // An adapter record for `adapters`.
  static AdapterRecord Adapter(const std::string& id, std::uint32_t type, const std::string& ipv4);

 private:
  void Record(std::string call);

  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
  std::vector<std::thread> threads_;
};

}  // namespace mirbo
