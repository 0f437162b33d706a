#include "tftp/upload_receiver.h"

#include <array>

#include "tftp/tftp_packets.h"
#include "tftp/tftp_texts.h"
#include "tftp/transfer_socket.h"
#include "tftp/upload_name.h"

namespace mirbo {
namespace {

enum class Verdict { NewBlock, Repeated, Ended };

class FileReceiver {
 public:
  FileReceiver(TftpService& service, const Ipv4Endpoint& client, UdpSocket& socket, UploadFile& file)
      : service_(service), client_(client), socket_(socket), file_(file),
        timeout_us_(service.settings.first_reply_timeout_us) {}

  void Run() {
    if (!SendAck()) return Report(kSendFileFailText);
    for (;;) {
      const Verdict verdict = AwaitBlock();
      if (verdict == Verdict::Ended) return;
      if (verdict == Verdict::Repeated) {
        // The client lost our last acknowledgement: repeat it, write nothing.
        if (!SendAck()) return Report(kSendDataFailText);
        continue;
      }
      const std::size_t data_size = static_cast<std::size_t>(received_size_) - kHeaderSize;
      if (file_.Append(buffer_.data() + kHeaderSize, data_size) < data_size)
        return Report(kWriteFileErrorText);
      ++expected_;
      if (!SendAck()) return Report(kSendDataFailText);
      if (data_size < kBlockSize) return;  // a short block ends the file
    }
  }

 private:
  // Acknowledges the last block taken, E - 1 (0 before the first).
  bool SendAck() {
    const auto ack = AckPacket(static_cast<std::uint32_t>(expected_ - 1));
    return socket_.SendTo(ack.data(), ack.size(), client_) == static_cast<int>(ack.size());
  }

  Verdict AwaitBlock() {
    switch (WaitForReply(socket_, timeout_us_, service_.settings.last_reply_timeout_us)) {
      case WaitResult::Failed: return Fail(kRecvDataFailText);
      case WaitResult::TimedOut: return Fail(kRecvAckTimeoutText);
      case WaitResult::Ready: break;
    }
    buffer_.fill(0);
    received_size_ = socket_.ReceiveFrom(buffer_.data(), buffer_.size(), nullptr);
    // A datagram longer than a full DATA packet was cut and cannot be written whole.
    if (received_size_ <= 0 || received_size_ > static_cast<int>(buffer_.size()))
      return Fail(kRecvAckFailText);
    return JudgeDatagram();
  }

  Verdict JudgeDatagram() {
    switch (ReadOpcode(buffer_.data())) {
      case Opcode::Data: return JudgeData();
      case Opcode::Ack:
      case Opcode::Error: return Fail(kClientErrorText);
      default: return Fail(kUnknowErrorText);  // requests and opcodes RFC 1350 lacks
    }
  }

  Verdict JudgeData() {
    // Without its block number a DATA packet has no data length either.
    if (received_size_ < static_cast<int>(kHeaderSize)) return Fail(kRecvAckFailText);
    const std::uint16_t block = ReadBlockNumber(buffer_.data());
    if (block == expected_) return Verdict::NewBlock;
    if (block == expected_ - 1) return Verdict::Repeated;
    return Fail(kAckErrorText);
  }

  void Report(const char* text) { SendTftpError(socket_, client_, text); }

  Verdict Fail(const char* text) {
    Report(text);
    return Verdict::Ended;
  }

  TftpService& service_;
  const Ipv4Endpoint client_;
  UdpSocket& socket_;
  UploadFile& file_;
  std::uint32_t timeout_us_;
  std::int32_t expected_ = 1;
  int received_size_ = 0;
  std::array<std::uint8_t, kMaxDataPacket> buffer_{};
};

// Creates the upload's file unless its name is unsafe or being written now.
// The name stays marked while the returned file is open.
class UploadTarget {
 public:
  UploadTarget(TftpService& service, const std::string& name) : service_(service), name_(name) {
    if (!UploadNameIsAcceptable(name_) || !service_.uploads.Begin(name_)) return;
    begun_ = true;
    file_ = service_.host.CreateUploadFile(name_);
  }
  ~UploadTarget() {
    file_.reset();
    if (begun_) service_.uploads.End(name_);
  }
  UploadTarget(const UploadTarget&) = delete;
  UploadTarget& operator=(const UploadTarget&) = delete;

  UploadFile* file() const { return file_.get(); }

 private:
  TftpService& service_;
  const std::string& name_;
  bool begun_ = false;
  std::unique_ptr<UploadFile> file_;
};

}  // namespace

void UploadReceiver(TftpService& service, TransferRequest request) {
  const std::unique_ptr<UdpSocket> socket = OpenTransferSocket(service.host, request);
  if (!socket) return;
  BindTransferPort(*socket, service.settings.first_transfer_port);
  const UploadTarget target(service, request.name);
  if (!target.file()) {
    SendTftpError(*socket, request.client, kCanNotFindFileText);
    return;
  }
  FileReceiver(service, request.client, *socket, *target.file()).Run();
}

}  // namespace mirbo
