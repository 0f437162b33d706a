#include <net/if.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/embedded_image.h"
#include "platform/host_services.h"
#include "platform/linux/address_commands.h"
#include "platform/linux/command_line.h"
#include "platform/linux/echo_socket_linux.h"
#include "platform/linux/hidden_process.h"
#include "platform/linux/netlink_adapters.h"
#include "platform/linux/posix_udp_socket.h"
#include "platform/linux/posix_upload_file.h"

namespace mirbo {
namespace {

constexpr std::uint32_t kListFailed = 1;
// The name and its terminating zero fit in 80 bytes.
constexpr std::size_t kMaxConnectionNameLength = 79;

class LinuxHostServices final : public HostServices {
 public:
  std::uint32_t ListAdapters(AdapterRecord* records, std::uint32_t* count) override {
    std::vector<AdapterRecord> found;
    if (!ListNetworkInterfaces(&found)) return kListFailed;
    if (found.size() > *count) {
      *count = static_cast<std::uint32_t>(found.size());
      return kListAdaptersBufferTooSmall;
    }
    std::copy(found.begin(), found.end(), records);
    *count = static_cast<std::uint32_t>(found.size());
    return kListAdaptersOk;
  }

  // The connection is known by its interface name.
  bool ReadConnectionName(const std::string& adapter_id, std::string* name) override {
    if (adapter_id.size() > kMaxConnectionNameLength || if_nametoindex(adapter_id.c_str()) == 0)
      return false;
    *name = adapter_id;
    return true;
  }

  // There is no network shell here: its address lines are carried out natively.
  CommandResult RunHiddenCommand(const std::string& command_line) override {
    const AddressLine line = ParseAddressLine(command_line);
    if (line.kind == AddressLineKind::Other) return RunHiddenProcess(SplitCommandWords(command_line));
    return CarryOutAddressLine(line);
  }

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

  std::unique_ptr<EchoSocket> OpenEchoSocket() override { return OpenLinuxEchoSocket(); }

  std::unique_ptr<UploadFile> CreateUploadFile(const std::string& name) override {
    return CreatePosixUploadFile(name);
  }
};

}  // namespace

std::unique_ptr<HostServices> MakeHostServices() { return std::make_unique<LinuxHostServices>(); }

}  // namespace mirbo
