#include "recovery/recovery_sequence.h"

#include "hostnet/address_commands.h"
#include "hostnet/router_wait.h"
#include "tftp/request_listener.h"

namespace mirbo {
namespace {

constexpr char kOnlyOneAdapterText[] = "仅有一块可用网卡，即将自动选择此网卡。\n";
constexpr char kWrongChoiceText[] = "输入错误，请重新选择！\n";
constexpr char kPoweringUpText[] = "\n上电初始化中";
constexpr char kSuccessText[] = "\n固件恢复成功！\n";

}  // namespace

RecoverySequence::RecoverySequence(HostServices& host, OutputLog& output, RecoveryState& state,
                                   RecoverySettings settings)
    : host_(host), output_(output), state_(state), settings_(settings) {}

void RecoverySequence::AutoStart() {
  if (state_.adapters.count != 1) return;
  output_.AppendOutput(kOnlyOneAdapterText);
  StartRecovery();
}

void RecoverySequence::ChooseAdapter() {
  if (state_.selection < 1 || state_.selection > state_.adapters.count) {
    output_.AppendOutput(kWrongChoiceText);
    return;
  }
  StartRecovery();
}

void RecoverySequence::StartRecovery() {
  // Taken once: the closing steps must name this connection even when
  // another number is typed while the router is being flashed.
  const std::string connection_name(state_.adapters.names[state_.selection].data());
  if (!RunAddressCommand(host_, output_, AddressCommand::BootLoaderAddress, connection_name)) return;

  FirmwareImage image;
  if (!host_.LoadFirmwareImage(&image) || image.size == 0) return;
  state_.image = image;

  std::unique_ptr<TftpService> service(new TftpService{
      host_, output_, image, [this, connection_name] { FinishRecovery(connection_name); },
      settings_.tftp, {}});
  TftpService& started = *service;
  services_.push_back(std::move(service));
  host_.StartThread([&started, stop = stop_.get_token()] { RequestListener(started, stop); });
}

void RecoverySequence::FinishRecovery(const std::string& connection_name) {
  if (!RunAddressCommand(host_, output_, AddressCommand::RouterAddress, connection_name)) return;
  WaitForRouter(host_, output_, settings_.echo_wait_us, settings_.probe_pause_ms);
  output_.AppendOutput(kPoweringUpText);
  if (!RunAddressCommand(host_, output_, AddressCommand::DhcpAddress, connection_name)) return;
  WaitForRouter(host_, output_, settings_.echo_wait_us, settings_.probe_pause_ms);
  output_.AppendOutput(kSuccessText);
}

void RecoverySequence::StopListeners() { stop_.request_stop(); }

}  // namespace mirbo
