#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/echo_socket.h"

namespace mirbo {

// A router seen through the echo sockets it hands out: each socket takes one
// probe, then delivers the `foreign` datagrams in order and, if `answers` says
// so for that probe, the echo reply (IPv4 header first), and then stays
// silent. Hand Factory() to FakeHostServices::echo_socket_factory.
class FakeRouter {
 public:
  using Datagram = std::vector<std::uint8_t>;

  // Switches; probes count from 1.
  std::function<bool(int probe)> answers = [](int) { return true; };
  std::vector<Datagram> foreign;  // an empty one makes Receive give 0 bytes
  int refused_opens = 0;          // the first N sockets cannot be opened
  bool fail_send = false;

  // Record.
  int probes = 0;
  std::vector<Datagram> requests;
  std::vector<std::uint32_t> destinations;
  std::vector<std::uint32_t> waits_us;

  // Answers every probe but the first `silent` ones.
  void AnswerAfter(int silent);

  std::function<std::unique_ptr<EchoSocket>()> Factory();

  // An IPv4 datagram of protocol ICMP from 192.168.199.1 carrying `icmp`,
  // with a header of `header_words` 32-bit words.
  static Datagram WithIpv4Header(const Datagram& icmp, int header_words = 5);
};

}  // namespace mirbo
