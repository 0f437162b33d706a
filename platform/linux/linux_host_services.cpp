#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/embedded_image.h"
#include "platform/host_services.h"
#include "platform/linux/posix_udp_socket.h"
#include "platform/linux/posix_upload_file.h"

namespace mirbo {
namespace {

class LinuxHostServices final : public HostServices {
 public:
  std::uint32_t ListAdapters(AdapterRecord*, std::uint32_t* count) override {
    *count = 0;
    return 1;  // not yet
  }

  bool ReadConnectionName(const std::string&, std::string*) override { return false; }

  CommandResult RunHiddenCommand(const std::string&) override { return CommandResult::NotStarted; }

  bool LoadFirmwareImage(FirmwareImage* image) override {
    *image = EmbeddedFirmwareImage();
    return image->data != nullptr && image->size != 0;
  }

  bool ReadVersionDescription(std::string* description) override {
    *description = MIRBO_VERSION_DESCRIPTION;
    return true;
  }

  std::uint32_t ProcessId() override { return static_cast<std::uint32_t>(getpid()); }

  void Pause(std::uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }

  bool StartThread(std::function<void()> body) override {
    try {
      std::thread(std::move(body)).detach();
      return true;
    } catch (const std::system_error&) {
      return false;  // no thread could be made; the caller drops its work
    }
  }

  std::unique_ptr<UdpSocket> OpenUdpSocket() override { return OpenPosixUdpSocket(); }

  std::unique_ptr<EchoSocket> OpenEchoSocket() override { return nullptr; }

  std::unique_ptr<UploadFile> CreateUploadFile(const std::string& name) override {
    return CreatePosixUploadFile(name);
  }
};

}  // namespace

std::unique_ptr<HostServices> MakeHostServices() { return std::make_unique<LinuxHostServices>(); }

}  // namespace mirbo
