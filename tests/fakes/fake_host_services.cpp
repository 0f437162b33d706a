#include "tests/fakes/fake_host_services.h"

#include <cstring>

#include "platform/linux/posix_udp_socket.h"
#include "platform/linux/posix_upload_file.h"

namespace mirbo {
namespace {

class CuttingUdpSocket final : public UdpSocket {
 public:
  CuttingUdpSocket(std::unique_ptr<UdpSocket> socket,
                   std::function<bool(const std::uint8_t*, std::size_t)> cut)
      : socket_(std::move(socket)), cut_(std::move(cut)) {}

  bool Bind(std::uint16_t port) override { return socket_->Bind(port); }
  std::uint16_t LocalPort() const override { return socket_->LocalPort(); }
  int SendTo(const std::uint8_t* data, std::size_t size, const Ipv4Endpoint& to) override {
    if (cut_(data, size)) return static_cast<int>(size) - 1;
    return socket_->SendTo(data, size, to);
  }
  WaitResult WaitReadable(std::optional<std::uint32_t> timeout_us) override {
    return socket_->WaitReadable(timeout_us);
  }
  int ReceiveFrom(std::uint8_t* buffer, std::size_t capacity, Ipv4Endpoint* from) override {
    return socket_->ReceiveFrom(buffer, capacity, from);
  }

 private:
  std::unique_ptr<UdpSocket> socket_;
  std::function<bool(const std::uint8_t*, std::size_t)> cut_;
};

}  // namespace

FakeHostServices::~FakeHostServices() { JoinThreads(); }

std::vector<std::string> FakeHostServices::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

void FakeHostServices::JoinThreads() {
  for (;;) {
    std::vector<std::thread> threads;
    {
      std::lock_guard lock(mutex_);
      threads.swap(threads_);
    }
    if (threads.empty()) return;
    for (auto& thread : threads) thread.join();  // may have started more threads meanwhile
  }
}

void FakeHostServices::Record(std::string call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
}

std::uint32_t FakeHostServices::ListAdapters(AdapterRecord* records, std::uint32_t* count) {
  Record("ListAdapters(" + std::to_string(*count) + ")");
  if (list_status && *list_status != kListAdaptersOk) {
    if (*list_status == kListAdaptersBufferTooSmall)
      *count = static_cast<std::uint32_t>(adapters.size());
    return *list_status;
  }
  if (adapters.size() > *count) {
    *count = static_cast<std::uint32_t>(adapters.size());
    return kListAdaptersBufferTooSmall;
  }
  for (std::size_t i = 0; i < adapters.size(); ++i) records[i] = adapters[i];
  *count = static_cast<std::uint32_t>(adapters.size());
  return kListAdaptersOk;
}

bool FakeHostServices::ReadConnectionName(const std::string& adapter_id, std::string* name) {
  Record("ReadConnectionName(" + adapter_id + ")");
  const auto found = connection_names.find(adapter_id);
  if (found == connection_names.end() || found->second.size() >= 80) return false;  // 80 bytes hold the name and its zero
  *name = found->second;
  return true;
}

CommandResult FakeHostServices::RunHiddenCommand(const std::string& command_line) {
  Record("RunHiddenCommand(" + command_line + ")");
  return command_result;
}

bool FakeHostServices::LoadFirmwareImage(FirmwareImage* out) {
  Record("LoadFirmwareImage()");
  *out = image;
  return image.data != nullptr && image.size != 0;
}

bool FakeHostServices::ReadVersionDescription(std::string* description) {
  Record("ReadVersionDescription()");
  if (!version_description) return false;
  *description = *version_description;
  return true;
}

std::uint32_t FakeHostServices::ProcessId() { return process_id; }

void FakeHostServices::Pause(std::uint32_t milliseconds) {
  Record("Pause(" + std::to_string(milliseconds) + ")");
}

bool FakeHostServices::StartThread(std::function<void()> body) {
  if (fail_thread_start) return false;
  std::lock_guard lock(mutex_);
  threads_.emplace_back(std::move(body));
  return true;
}

std::unique_ptr<UdpSocket> FakeHostServices::OpenUdpSocket() {
  if (fail_udp_socket) return nullptr;
  std::unique_ptr<UdpSocket> socket = OpenPosixUdpSocket();
  if (!socket || !cut_send) return socket;
  return std::make_unique<CuttingUdpSocket>(std::move(socket), cut_send);
}

std::unique_ptr<EchoSocket> FakeHostServices::OpenEchoSocket() {
  Record("OpenEchoSocket()");
  return echo_socket_factory ? echo_socket_factory() : nullptr;
}

std::unique_ptr<UploadFile> FakeHostServices::CreateUploadFile(const std::string& name) {
  Record("CreateUploadFile(" + name + ")");
  if (fail_upload_file) return nullptr;
  return CreatePosixUploadFile(name);
}

AdapterRecord FakeHostServices::Adapter(const std::string& id, std::uint32_t type,
                                        const std::string& ipv4) {
  AdapterRecord record;
  std::strncpy(record.adapter_id, id.c_str(), sizeof record.adapter_id - 1);
  record.type = type;
  std::strncpy(record.first_ipv4, ipv4.c_str(), sizeof record.first_ipv4 - 1);
  return record;
}

}  // namespace mirbo
