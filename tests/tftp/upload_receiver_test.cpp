#include "tftp/upload_receiver.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/tftp/scratch_directory.h"
#include "tests/tftp/scripted_peer.h"
#include "tests/tftp/service_harness.h"

namespace mirbo {
namespace {

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Files of this process cannot grow past `bytes` while it lives; a write
// beyond that fails (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limited = previous_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previous_handler_);
  }

 private:
  rlimit previous_{};
  void (*previous_handler_)(int) = nullptr;
};

class UploadReceiverTest : public ::testing::Test {
 protected:
  // Expects the acknowledgement of `block` from the upload's port.
  void ExpectAck(ScriptedPeer& peer, std::uint16_t block) {
    const auto ack = peer.Receive();
    ASSERT_TRUE(ack) << "no ACK " << block;
    EXPECT_EQ(ack->bytes, Packet(4, block)) << ErrorTextOf(ack);
  }

  // Sends `file` block by block as a client does, each after its ACK.
  void Send(ScriptedPeer& peer, const Bytes& file) {
    ExpectAck(peer, 0);
    for (std::size_t offset = 0, block = 1;; offset += 512, ++block) {
      const std::size_t size = std::min<std::size_t>(512, file.size() - offset);
      peer.Reply(Packet(3, static_cast<std::uint16_t>(block),
                        Bytes(file.begin() + offset, file.begin() + offset + size)));
      ExpectAck(peer, static_cast<std::uint16_t>(block));
      if (size < 512) return;
    }
  }

  std::vector<std::string> CreatedFiles() const {
    std::vector<std::string> created;
    for (const std::string& call : harness_.host.Calls())
      if (call.starts_with("CreateUploadFile(")) created.push_back(call);
    return created;
  }

  ScratchDirectory scratch_;
  ServiceHarness harness_;
};

TEST_F(UploadReceiverTest, StoresTheFileByteForByteInPlaceOfAnOlderOne) {
  for (const std::size_t size : {0u, 1000u, 1024u, 3'000'000u}) {
    SCOPED_TRACE("upload of " + std::to_string(size) + " bytes");
    ScratchDirectory::Write("upload.bin", std::string(5000, 'x'));
    const Bytes file = PatternBytes(size, 3);
    ScriptedPeer peer;
    harness_.StartUploadReceiver(peer.Address(), "upload.bin");
    Send(peer, file);
    harness_.Finish();
    EXPECT_TRUE(ScratchDirectory::Contents("upload.bin") == Text(file));
    EXPECT_FALSE(peer.HasPending()) << "something followed the last ACK";
  }
  EXPECT_EQ(harness_.output.Text(), "");
}

TEST_F(UploadReceiverTest, RepeatedDataBlockIsAcknowledgedAgainAndWrittenOnce) {
  ScriptedPeer peer;
  harness_.StartUploadReceiver(peer.Address(), "twice.bin");
  const Bytes first = PatternBytes(512, 1);
  const Bytes second = PatternBytes(10, 2);
  ExpectAck(peer, 0);
  peer.Reply(Packet(3, 1, first));
  ExpectAck(peer, 1);
  peer.Reply(Packet(3, 1, first));
  ExpectAck(peer, 1);
  peer.Reply(Packet(3, 2, second));
  ExpectAck(peer, 2);
  harness_.Finish();
  EXPECT_EQ(ScratchDirectory::Contents("twice.bin"), Text(first) + Text(second));
  EXPECT_FALSE(peer.HasPending());
}

TEST_F(UploadReceiverTest, EndsWithTheErrorTextOfADatagramItCannotTakeAndKeepsWhatWasWritten) {
  const Bytes full_block = PatternBytes(512, 5);
  const struct {
    const char* what;
    bool after_first_block;
    Bytes datagram;
    const char* error_text;
  } cases[] = {
      {"DATA of the block after the expected one", true, Packet(3, 3, PatternBytes(512)), "Ack error!"},
      {"DATA of a block before the last acknowledged", true, Packet(3, 0, PatternBytes(5)), "Ack error!"},
      {"an ACK", false, Packet(4, 0), "Client error!"},
      {"the client's ERROR", true, ErrorBytes("Giving up"), "Client error!"},
      {"a read request", false, Request(1, "x"), "Unknow error!"},
      {"a write request", false, Request(2, "x"), "Unknow error!"},
      {"opcode 0", false, Packet(0, 1, PatternBytes(5)), "Unknow error!"},
      {"opcode 6", false, Packet(6, 1, PatternBytes(5)), "Unknow error!"},
      {"a zero-length datagram", true, Bytes{}, "Recv ack fail!"},
      {"DATA of 2 bytes", false, Bytes{0, 3}, "Recv ack fail!"},
      {"DATA of 3 bytes", false, Bytes{0, 3, 0}, "Recv ack fail!"},
      {"DATA of 517 bytes", true, Packet(3, 2, PatternBytes(513)), "Recv ack fail!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedPeer peer;
    harness_.StartUploadReceiver(peer.Address(), "partial.bin");
    ExpectAck(peer, 0);
    if (c.after_first_block) {
      peer.Reply(Packet(3, 1, full_block));
      ExpectAck(peer, 1);
    }
    peer.Reply(c.datagram);
    const auto error = peer.Receive();
    EXPECT_EQ(error.value_or(Datagram{}).bytes, ErrorBytes(c.error_text)) << ErrorTextOf(error);
    harness_.Finish();
    EXPECT_FALSE(peer.HasPending());
    EXPECT_EQ(ScratchDirectory::Contents("partial.bin"), c.after_first_block ? Text(full_block) : "");
  }
  EXPECT_EQ(harness_.output.Text(), "");
}

TEST_F(UploadReceiverTest, EndsWhenAnAcknowledgementIsNotSentWhole) {
  const struct {
    const char* what;
    std::uint16_t cut_block;
    int cut_send;  // which send of that ACK is cut
    const char* error_text;
  } cases[] = {
      {"ACK 0", 0, 1, "Send file fail!"},
      {"ACK 1", 1, 1, "Send data fail!"},
      {"ACK 1 sent again", 1, 2, "Send data fail!"},
  };
  const Bytes block = PatternBytes(512, 6);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::atomic<int> sends = 0;
    harness_.host.cut_send = [&](const std::uint8_t* packet, std::size_t size) {
      return Bytes(packet, packet + size) == Packet(4, c.cut_block) && ++sends == c.cut_send;
    };
    ScriptedPeer peer;
    harness_.StartUploadReceiver(peer.Address(), "cut.bin");
    if (c.cut_block == 1) {
      ExpectAck(peer, 0);
      peer.Reply(Packet(3, 1, block));
      if (c.cut_send == 2) {
        ExpectAck(peer, 1);
        peer.Reply(Packet(3, 1, block));  // ACK 1 lost: the client sends block 1 again
      }
    }
    EXPECT_EQ(ErrorTextOf(peer.Receive()), c.error_text);
    harness_.Finish();
    harness_.host.cut_send = nullptr;
    EXPECT_FALSE(peer.HasPending());
  }
  EXPECT_EQ(harness_.output.Text(), "");
}

TEST_F(UploadReceiverTest, EndsWithWriteFileErrorWhenOnlyPartOfABlockCouldBeWritten) {
  const FileSizeLimit limit(1000);
  const Bytes file = PatternBytes(1500, 4);
  ScriptedPeer peer;
  harness_.StartUploadReceiver(peer.Address(), "full.bin");
  ExpectAck(peer, 0);
  peer.Reply(Packet(3, 1, Bytes(file.begin(), file.begin() + 512)));
  ExpectAck(peer, 1);
  peer.Reply(Packet(3, 2, Bytes(file.begin() + 512, file.begin() + 1024)));
  EXPECT_EQ(ErrorTextOf(peer.Receive()), "Write file error!");
  harness_.Finish();
  EXPECT_FALSE(peer.HasPending()) << "the block was acknowledged";
  EXPECT_EQ(ScratchDirectory::Contents("full.bin"), Text(Bytes(file.begin(), file.begin() + 1000)));
}

TEST_F(UploadReceiverTest, GivesUpAfterTheLongestSilentWaitAndKeepsTheEmptyFile) {
  ServiceHarness harness(PatternBytes(100), ImpatientSettings());
  ScriptedPeer peer;
  harness.StartUploadReceiver(peer.Address(), "silent.bin");
  ExpectAck(peer, 0);
  EXPECT_EQ(ErrorTextOf(peer.Receive()), "Recv ack timeout!");
  harness.Finish();
  EXPECT_TRUE(std::filesystem::exists("silent.bin"));
  EXPECT_EQ(ScratchDirectory::Contents("silent.bin"), "");
  EXPECT_EQ(harness.output.Text(), "");
}

TEST_F(UploadReceiverTest, RefusesNamesOutsideTheWorkingDirectoryBeforeCreatingAnything) {
  std::filesystem::create_directory("a");
  const auto work_before = ScratchDirectory::Listing(scratch_.work());
  const auto root_before = ScratchDirectory::Listing(scratch_.root());
  const std::string names[] = {
      "", (scratch_.root() / "absolute").string(), "a/b", "a\\b", ".", "..", "../x", "c:x", "x:stream",
      std::string(258, 'n'),
  };
  for (const std::string& name : names) {
    SCOPED_TRACE("name \"" + name + "\"");
    ScriptedPeer peer;
    harness_.StartUploadReceiver(peer.Address(), name);
    EXPECT_EQ(ErrorTextOf(peer.Receive()), "Can not find file!");
    harness_.Finish();
    EXPECT_FALSE(peer.HasPending());
  }
  EXPECT_EQ(CreatedFiles(), std::vector<std::string>{});
  EXPECT_EQ(ScratchDirectory::Listing(scratch_.work()), work_before);
  EXPECT_EQ(ScratchDirectory::Listing(scratch_.root()), root_before);
  EXPECT_TRUE(std::filesystem::is_empty("a"));
}

TEST_F(UploadReceiverTest, HandsANameOfTwoHundredFiftySevenBytesToTheFileSystem) {
  const std::string name(257, 'n');
  ScriptedPeer peer;
  harness_.StartUploadReceiver(peer.Address(), name);
  ASSERT_TRUE(peer.Receive());  // "Can not find file!" where names are shorter, as on Linux
  harness_.Finish();
  EXPECT_EQ(CreatedFiles(), std::vector<std::string>{"CreateUploadFile(" + name + ")"});
}

TEST_F(UploadReceiverTest, DoesNotWriteThroughALinkInTheWorkingDirectory) {
  const auto outside = scratch_.root() / "outside";
  ScratchDirectory::Write(outside, "keep");
  std::filesystem::create_symlink(outside, "link");
  std::filesystem::create_symlink(scratch_.root() / "new", "dangling");
  for (const char* name : {"link", "dangling"}) {
    SCOPED_TRACE(name);
    ScriptedPeer peer;
    harness_.StartUploadReceiver(peer.Address(), name);
    EXPECT_EQ(ErrorTextOf(peer.Receive()), "Can not find file!");
    harness_.Finish();
  }
  EXPECT_EQ(ScratchDirectory::Contents(outside), "keep");
  EXPECT_FALSE(std::filesystem::exists(scratch_.root() / "new"));
}

TEST_F(UploadReceiverTest, SecondUploadOfANameBeingWrittenIsRefusedAndTheFirstGoesOn) {
  const Bytes first_block = PatternBytes(512, 7);
  const Bytes last_block = PatternBytes(20, 8);
  ScriptedPeer first;
  harness_.StartUploadReceiver(first.Address(), "same.bin");
  ExpectAck(first, 0);
  first.Reply(Packet(3, 1, first_block));
  ExpectAck(first, 1);

  ScriptedPeer second;
  harness_.StartUploadReceiver(second.Address(), "same.bin");
  EXPECT_EQ(ErrorTextOf(second.Receive()), "Can not find file!");

  first.Reply(Packet(3, 2, last_block));
  ExpectAck(first, 2);
  harness_.Finish();
  EXPECT_EQ(ScratchDirectory::Contents("same.bin"), Text(first_block) + Text(last_block));

  ScriptedPeer later;
  harness_.StartUploadReceiver(later.Address(), "same.bin");
  Send(later, PatternBytes(5, 9));
  harness_.Finish();
  EXPECT_EQ(ScratchDirectory::Contents("same.bin"), Text(PatternBytes(5, 9)))
      << "the name stayed blocked after its upload ended";
}

TEST_F(UploadReceiverTest, WithoutASocketOfItsOwnAnswersFromTheListeningSocketAndCreatesNothing) {
  harness_.host.fail_udp_socket = true;
  ScriptedPeer peer;
  harness_.StartUploadReceiver(peer.Address(), "never.bin");
  const auto error = peer.Receive();
  EXPECT_EQ(ErrorTextOf(error), "SOCKET error!");
  EXPECT_EQ(error.value_or(Datagram{}).from.port, harness_.listening_socket->LocalPort());
  harness_.Finish();
  EXPECT_EQ(CreatedFiles(), std::vector<std::string>{});
}

}  // namespace
}  // namespace mirbo
