#include "tftp/image_transfer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "tftp/tftp_packets.h"
#include "tftp/tftp_texts.h"
#include "tftp/transfer_socket.h"

namespace mirbo {
namespace {

// A line of marks ends after 12,002 acknowledged blocks; a mark every 200.
constexpr std::int32_t kProgressLineBlocks = 12000;
constexpr std::int32_t kBlocksPerMark = 200;

enum class Verdict { Acknowledged, SendAgain, Ended };

class ImageSender {
 public:
  ImageSender(TftpService& service, const Ipv4Endpoint& client, UdpSocket& socket)
      : service_(service), client_(client), socket_(socket),
        timeout_us_(service.settings.first_reply_timeout_us) {}

  void Run() {
    data_size_ = ReadNextChunk();
    service_.output.AppendOutput(kStartSendingText);
    for (;;) {
      WriteDataHeader(packet_.data(), static_cast<std::uint32_t>(block_));
      if (!DeliverBlock()) return;
      const std::uint32_t delivered_size = data_size_;
      data_size_ = ReadNextChunk();
      const bool image_delivered = data_size_ == 0;
      // Only a full last block leaves the client waiting for an empty one; after
      // a short block the transfer is over, and one more block would be taken
      // as more image.
      if (image_delivered && delivered_size == kBlockSize) SendClosingBlock();
      ShowProgress();
      if (image_delivered) break;
      ++block_;
    }
    service_.output.AppendOutput(kFlashingText);
    if (service_.finish_recovery) service_.finish_recovery();
  }

 private:
  std::uint32_t ReadNextChunk() {
    const std::uint32_t size =
        ReadImageChunk(service_.image, position_, packet_.data() + kHeaderSize, kBlockSize);
    position_ += size;
    return size;
  }

  // Sends the block in flight until the client acknowledges it.
  bool DeliverBlock() {
    for (;;) {
      const std::size_t size = kHeaderSize + data_size_;
      if (socket_.SendTo(packet_.data(), size, client_) != static_cast<int>(size)) {
        Fail(kSendDataFailText);
        return false;
      }
      const Verdict verdict = AwaitReply();
      if (verdict != Verdict::SendAgain) return verdict == Verdict::Acknowledged;
    }
  }

  Verdict AwaitReply() {
    switch (WaitForReply(socket_, timeout_us_, service_.settings.last_reply_timeout_us)) {
      case WaitResult::Failed: return Fail(kRecvFileFailText);
      case WaitResult::TimedOut: return Fail(kRecvAckTimeoutText);
      case WaitResult::Ready: break;
    }
    // Longer replies are cut to their first four bytes and judged by them.
    std::array<std::uint8_t, kHeaderSize> reply{};
    if (socket_.ReceiveFrom(reply.data(), reply.size(), nullptr) <= 0) return Fail(kRecvAckFailText);
    return JudgeReply(reply.data());
  }

  Verdict JudgeReply(const std::uint8_t* reply) {
    switch (ReadOpcode(reply)) {
      case Opcode::Ack: return JudgeAck(ReadBlockNumber(reply));
      case Opcode::Error: return Fail(kClientErrorText);
      default: return Fail(kUnknowErrorText);  // requests, DATA and opcodes RFC 1350 lacks
    }
  }

  Verdict JudgeAck(std::uint16_t acknowledged) {
    if (acknowledged == block_) return Verdict::Acknowledged;
    if (acknowledged == block_ - 1) return Verdict::SendAgain;  // the client lost the block in flight
    return Fail(kAckFileFailText);
  }

  void SendClosingBlock() {
    std::array<std::uint8_t, kHeaderSize> empty{};
    WriteDataHeader(empty.data(), static_cast<std::uint32_t>(block_ + 1));
    socket_.SendTo(empty.data(), empty.size(), client_);  // never acknowledged, never repeated
  }

  void ShowProgress() {
    if (progress_ > kProgressLineBlocks) {
      progress_ = 0;
      service_.output.AppendOutput(kProgressLineEnd);
    } else if (++progress_ % kBlocksPerMark == 0) {
      service_.output.AppendOutput(kProgressMark);
    }
  }

  Verdict Fail(const char* text) {
    SendTftpError(socket_, client_, text);
    service_.output.AppendOutput(kTransferFailedText);
    return Verdict::Ended;
  }

  TftpService& service_;
  const Ipv4Endpoint client_;
  UdpSocket& socket_;
  std::uint32_t timeout_us_;
  std::int32_t block_ = 1;
  std::uint32_t position_ = 0;
  std::uint32_t data_size_ = 0;
  std::int32_t progress_ = 0;
  std::array<std::uint8_t, kMaxDataPacket> packet_{};
};

}  // namespace

void ImageTransfer(TftpService& service, TransferRequest request) {
  const std::unique_ptr<UdpSocket> socket = OpenTransferSocket(service.host, request);
  if (!socket) return;
  service.output.AppendOutput(kReleaseButtonText);
  BindTransferPort(*socket, service.settings.first_transfer_port);
  ImageSender(service, request.client, *socket).Run();
}

std::uint32_t ReadImageChunk(const FirmwareImage& image, std::uint32_t position,
                             std::uint8_t* destination, std::uint32_t maximum) {
  if (position >= image.size) return 0;
  const std::uint32_t count = std::min(maximum, image.size - position);
  std::memcpy(destination, image.data + position, count);
  return count;
}

}  // namespace mirbo
