#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/echo_socket.h"
#include "platform/firmware_image.h"
#include "platform/udp_socket.h"
#include "platform/upload_file.h"

namespace mirbo {

// One network adapter as the system lists it.
struct AdapterRecord {
  char adapter_id[260] = {};    // zero-terminated; names the adapter to ReadConnectionName
  std::uint32_t type = 0;       // IANA interface type; 6 is Ethernet
  char first_ipv4[16] = {};     // dotted text of the first IPv4 address, "0.0.0.0" when none
};

inline constexpr std::uint32_t kAdapterTypeEthernet = 6;
inline constexpr std::uint32_t kListAdaptersOk = 0;
inline constexpr std::uint32_t kListAdaptersBufferTooSmall = 111;

enum class CommandResult {
  NotStarted,  // the process could not be created
  Succeeded,   // it ran and reported success
  Failed,      // it ran and reported failure
};

// What the recovery takes from the host apart from the window system. Any
// thread may call any operation; each is stateless.
class HostServices {
 public:
  virtual ~HostServices() = default;

  // Writes the adapters, in the system's order, into `records`, which has
  // room for `*count` of them, and sets `*count` to the number written.
  // Returns kListAdaptersOk; kListAdaptersBufferTooSmall with `*count` set to
  // the number needed when they do not fit; any other value on failure.
  virtual std::uint32_t ListAdapters(AdapterRecord* records, std::uint32_t* count) = 0;

  // The connection name under which the address commands know the adapter.
  // False when the adapter is unknown or the name needs more than 80 bytes
  // with its terminating zero.
  virtual bool ReadConnectionName(const std::string& adapter_id, std::string* name) = 0;

  // Runs one command line without a window and waits, without limit, until
  // it has ended. The address commands ("netsh interface ip set address ...")
  // are carried out even where that shell is missing.
  virtual CommandResult RunHiddenCommand(const std::string& command_line) = 0;

  // The image built into the program. False when there is none or it is empty.
  virtual bool LoadFirmwareImage(FirmwareImage* image) = 0;

  // The program's description from its version record. False when missing.
  virtual bool ReadVersionDescription(std::string* description) = 0;

  virtual std::uint32_t ProcessId() = 0;

  virtual void Pause(std::uint32_t milliseconds) = 0;

  // Runs `body` on a new detached thread at normal priority. False when the
  // thread could not be started; `body` then never runs.
  virtual bool StartThread(std::function<void()> body) = 0;

  // A new UDP socket, or null when none can be created.
  virtual std::unique_ptr<UdpSocket> OpenUdpSocket() = 0;

  // A new ICMP echo socket, or null when the host refuses one.
  virtual std::unique_ptr<EchoSocket> OpenEchoSocket() = 0;

  // Creates the file `name` in the working directory anew (a file already
  // there is emptied), never through a link; other openers may read and write
  // it meanwhile. Null when it cannot be created. `name` is a plain file name.
  virtual std::unique_ptr<UploadFile> CreateUploadFile(const std::string& name) = 0;
};

// The host services of the OS the program was built for.
std::unique_ptr<HostServices> MakeHostServices();

}  // namespace mirbo
