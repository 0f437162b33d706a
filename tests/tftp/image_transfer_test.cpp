#include "tftp/image_transfer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "tests/tftp/scripted_peer.h"
#include "tests/tftp/service_harness.h"

namespace mirbo {
namespace {

const std::string kRelease = "此时可以松开按钮，请保持Mirbo不断电\n";
const std::string kStart = "开始传送固件...\n";
const std::string kFlash = "\n烧录Flash中，务必保持Mirbo不断电\n";
const std::string kFailed = "固件传送错误，请重试！\n";

std::size_t Marks(const std::string& text) { return std::count(text.begin(), text.end(), '#'); }

Bytes DataOf(const Datagram& datagram) { return Bytes(datagram.bytes.begin() + 4, datagram.bytes.end()); }

// Plays the client of one read request until the whole image has come:
// acknowledges every block, keeps what the transfer sent, and the marks shown
// when each block arrived.
struct Download {
  Bytes data;
  std::vector<std::size_t> packet_sizes;
  std::vector<std::size_t> marks_at_arrival;  // index: block number - 1
};

Download FetchImage(ScriptedPeer& peer, ServiceHarness& harness) {
  Download download;
  for (std::uint16_t block = 1;; ++block) {
    const auto datagram = peer.Receive();
    if (!datagram || OpcodeOf(*datagram) != 3 || BlockOf(*datagram) != block) {
      ADD_FAILURE() << "expected DATA " << block << ", got " << ErrorTextOf(datagram);
      return download;
    }
    download.marks_at_arrival.push_back(Marks(harness.output.Text()));
    download.packet_sizes.push_back(datagram->bytes.size());
    const Bytes data = DataOf(*datagram);
    download.data.insert(download.data.end(), data.begin(), data.end());
    peer.Reply(Packet(4, block));
    if (download.data.size() >= harness.image.size()) return download;
  }
}

TEST(ImageTransfer, DeliversTheFullSizeImageWithMarksAndNoEmptyBlockAfterItsShortLastBlock) {
  ServiceHarness harness(PatternBytes(11'075'588));
  ScriptedPeer peer;
  harness.StartImageTransfer(peer.Address());
  const Download download = FetchImage(peer, harness);
  harness.Finish();

  EXPECT_TRUE(download.data == harness.image) << "the image did not arrive byte for byte";
  ASSERT_EQ(download.packet_sizes.size(), 21'633u);
  EXPECT_EQ(std::count(download.packet_sizes.begin(), download.packet_sizes.end(), 516u), 21'632);
  EXPECT_EQ(download.packet_sizes.back(), 8u);
  EXPECT_FALSE(peer.HasPending()) << "something followed the short last block";

  const std::string marks = std::string(60, '#') + "#\n" + std::string(48, '#');
  EXPECT_EQ(harness.output.Text(), kRelease + kStart + marks + kFlash);
  EXPECT_EQ(harness.finish_calls, 1);
  EXPECT_EQ(harness.output_at_finish, harness.output.Text());
  EXPECT_EQ(download.marks_at_arrival[199], 0u) << "a mark before block 200 was acknowledged";
  EXPECT_EQ(download.marks_at_arrival[200], 1u) << "block 201 was sent before the first mark";
}

TEST(ImageTransfer, SendsAnEmptyBlockOnlyAfterAFullLastBlock) {
  const struct {
    std::size_t image_size;
    std::vector<std::size_t> packet_sizes;
    bool empty_block_follows;
  } cases[] = {
      {1024, {516, 516}, true},
      {1000, {516, 492}, false},
      {100, {104}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("image of " + std::to_string(c.image_size) + " bytes");
    ServiceHarness harness(PatternBytes(c.image_size));
    ScriptedPeer peer;
    harness.StartImageTransfer(peer.Address());
    const Download download = FetchImage(peer, harness);
    if (c.empty_block_follows) {
      const auto empty = peer.Receive();
      ASSERT_TRUE(empty);
      const auto last_block = static_cast<std::uint16_t>(c.packet_sizes.size());
      EXPECT_EQ(empty->bytes, Packet(3, last_block + 1)) << "the empty block after the last ACK";
    }
    harness.Finish();

    EXPECT_TRUE(download.data == harness.image);
    EXPECT_EQ(download.packet_sizes, c.packet_sizes);
    EXPECT_FALSE(peer.HasPending());
    EXPECT_EQ(harness.output.Text(), kRelease + kStart + kFlash);
    EXPECT_EQ(harness.finish_calls, 1);
  }
}

TEST(ImageTransfer, AcknowledgementOfThePreviousBlockResendsTheBlockInFlightUnchanged) {
  const struct {
    const char* what;
    std::uint16_t in_flight;
    Bytes repeat;
  } cases[] = {
      {"ACK 0 while block 1 is in flight", 1, Packet(4, 0)},
      {"a 2-byte ACK reads as ACK 0", 1, Bytes{0, 4}},
      {"ACK 1 while block 2 is in flight", 2, Packet(4, 1)},
      {"a long ACK 1 is judged by its first four bytes", 2, Packet(4, 1, Bytes{0xFF, 0xFF})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ServiceHarness harness(PatternBytes(1500));
    ScriptedPeer peer;
    harness.StartImageTransfer(peer.Address());
    for (std::uint16_t block = 1; block < c.in_flight; ++block) {
      ASSERT_TRUE(peer.Receive());
      peer.Reply(Packet(4, block));
    }
    const auto first = peer.Receive();
    ASSERT_TRUE(first);
    peer.Reply(c.repeat);
    const auto again = peer.Receive();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->bytes, first->bytes);
    EXPECT_EQ(again->from, first->from);
    peer.Reply(Packet(4, c.in_flight));
    for (std::uint16_t block = c.in_flight + 1; block <= 3; ++block) {
      const auto next = peer.Receive();
      ASSERT_TRUE(next);
      EXPECT_EQ(BlockOf(*next), block);
      peer.Reply(Packet(4, block));
    }
    harness.Finish();
    EXPECT_EQ(harness.output.Text(), kRelease + kStart + kFlash);
    EXPECT_EQ(harness.finish_calls, 1);
  }
}

TEST(ImageTransfer, EndsWithTheErrorTextOfAReplyItCannotTake) {
  const struct {
    const char* what;
    Bytes reply;
    const char* error_text;
  } cases[] = {
      {"ACK of a later block", Packet(4, 3), "Ack file fail?"},
      {"the client's ERROR", ErrorBytes("Disk full or whatever"), "Client error!"},
      {"DATA", Packet(3, 1, PatternBytes(512)), "Unknow error!"},
      {"a read request", Request(1, "again"), "Unknow error!"},
      {"a write request", Request(2, "again"), "Unknow error!"},
      {"opcode 0", Packet(0, 1), "Unknow error!"},
      {"opcode 6", Packet(6, 1), "Unknow error!"},
      {"opcode 65535", Packet(0xFFFF, 1), "Unknow error!"},
      {"a zero-length datagram", Bytes{}, "Recv ack fail!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ServiceHarness harness(PatternBytes(1500));
    ScriptedPeer peer;
    harness.StartImageTransfer(peer.Address());
    const auto data = peer.Receive();
    ASSERT_TRUE(data);
    peer.Reply(c.reply);
    const auto error = peer.Receive();
    EXPECT_EQ(ErrorTextOf(error), c.error_text);
    EXPECT_EQ(error.value_or(Datagram{}).from, data->from) << "sent from another socket";
    harness.Finish();
    EXPECT_FALSE(peer.HasPending());
    EXPECT_EQ(harness.output.Text(), kRelease + kStart + kFailed);
    EXPECT_EQ(harness.finish_calls, 0);
  }
}

TEST(ImageTransfer, EndsWithSendDataFailWhenABlockIsNotSentWhole) {
  for (const int cut_send : {1, 2}) {
    SCOPED_TRACE(cut_send == 1 ? "block 2 cut on its first send" : "block 2 cut when sent again");
    std::atomic<int> sends_of_block_2 = 0;
    ServiceHarness harness(PatternBytes(1500));
    harness.host.cut_send = [&](const std::uint8_t* packet, std::size_t) {
      return Bytes(packet, packet + 4) == Packet(3, 2) && ++sends_of_block_2 == cut_send;
    };
    ScriptedPeer peer;
    harness.StartImageTransfer(peer.Address());
    ASSERT_TRUE(peer.Receive());
    peer.Reply(Packet(4, 1));
    if (cut_send == 2) {
      ASSERT_TRUE(peer.Receive());
      peer.Reply(Packet(4, 1));  // block 2 lost: the client asks again
    }
    EXPECT_EQ(ErrorTextOf(peer.Receive()), "Send data fail!");
    harness.Finish();
    EXPECT_EQ(harness.output.Text(), kRelease + kStart + kFailed);
  }
}

TEST(ImageTransfer, GivesUpAfterTheLongestSilentWaitWithoutSendingAgain) {
  ServiceHarness harness(PatternBytes(1500), ImpatientSettings());
  ScriptedPeer peer;
  harness.StartImageTransfer(peer.Address());
  ASSERT_TRUE(peer.Receive());
  EXPECT_EQ(ErrorTextOf(peer.Receive()), "Recv ack timeout!");
  harness.Finish();
  EXPECT_EQ(harness.output.Text(), kRelease + kStart + kFailed);
}

TEST(ImageTransfer, WithoutASocketOfItsOwnAnswersFromTheListeningSocketAndTellsNothing) {
  ServiceHarness harness;
  harness.host.fail_udp_socket = true;
  ScriptedPeer peer;
  harness.StartImageTransfer(peer.Address());
  const auto error = peer.Receive();
  EXPECT_EQ(ErrorTextOf(error), "SOCKET error!");
  EXPECT_EQ(error.value_or(Datagram{}).from.port, harness.listening_socket->LocalPort());
  harness.Finish();
  EXPECT_EQ(harness.output.Text(), "");
}

}  // namespace
}  // namespace mirbo
