#include "tests/tftp/service_harness.h"

#include "platform/linux/posix_udp_socket.h"
#include "tftp/image_transfer.h"
#include "tftp/request_listener.h"
#include "tftp/upload_receiver.h"

namespace mirbo {

TftpSettings TestSettings() {
  TftpSettings settings;
  settings.listener_port = FreeUdpPort();
  settings.first_transfer_port = FreeUdpPort(/*pair=*/true);
  settings.first_reply_timeout_us = 100'000;
  settings.last_reply_timeout_us = 3'200'000;
  return settings;
}

TftpSettings ImpatientSettings() {
  TftpSettings settings = TestSettings();
  settings.first_reply_timeout_us = 1'000;
  settings.last_reply_timeout_us = 32'000;
  return settings;
}

ServiceHarness::ServiceHarness(Bytes image_bytes, TftpSettings settings)
    : image(std::move(image_bytes)),
      service{host, output, {image.data(), static_cast<std::uint32_t>(image.size())},
              [this] {
                const std::lock_guard lock(finish_mutex);
                output_at_finish = output.Text();
                ++finish_calls;
              },
              settings, {}},
      listening_socket(OpenPosixUdpSocket()) {
  listening_socket->Bind(0);
}

ServiceHarness::~ServiceHarness() { Finish(); }

void ServiceHarness::StartImageTransfer(const Ipv4Endpoint& client) {
  host.StartThread([this, client] { ImageTransfer(service, {listening_socket, client, "image"}); });
}

void ServiceHarness::StartUploadReceiver(const Ipv4Endpoint& client, const std::string& name) {
  host.StartThread([this, client, name] { UploadReceiver(service, {listening_socket, client, name}); });
}

bool ServiceHarness::StartListener() {
  listener_ = std::jthread([this](std::stop_token stop) { RequestListener(service, stop); });
  return WaitForOutput("请使用尖锐物按住RST按钮不松开再将Mirbo电源插上...\n");
}

void ServiceHarness::Finish() {
  if (listener_.joinable()) {
    listener_.request_stop();
    listener_.join();
  }
  host.JoinThreads();
}

bool ServiceHarness::WaitForOutput(std::string_view text) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (output.Text().find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace mirbo
