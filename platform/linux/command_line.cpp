#include "platform/linux/command_line.h"

#include <arpa/inet.h>

#include <charconv>
#include <sstream>

namespace mirbo {
namespace {

constexpr std::string_view kAddressLineHead = "netsh interface ip set address \"";

bool ParseIpv4(const std::string& text, std::uint32_t* address) {
  in_addr parsed{};
  if (inet_pton(AF_INET, text.c_str(), &parsed) != 1) return false;
  *address = ntohl(parsed.s_addr);
  return true;
}

// Only masks whose one bits all stand before the zero bits name a network.
bool MaskToPrefixLength(const std::string& text, int* prefix_length) {
  std::uint32_t mask;
  if (!ParseIpv4(text, &mask)) return false;
  const std::uint32_t host_bits = ~mask;
  if ((host_bits & (host_bits + 1)) != 0) return false;
  *prefix_length = 32 - __builtin_popcount(host_bits);
  return true;
}

bool ParseMetric(const std::string& text, std::uint32_t* metric) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, *metric);
  return error == std::errc() && stop == end;
}

bool ParseStatic(const std::string& tail, StaticIpv4* setting) {
  std::istringstream words(tail);
  std::string keyword, address, mask, gateway, metric, extra;
  if (!(words >> keyword >> address >> mask >> gateway >> metric) || (words >> extra)) return false;
  return keyword == "static" && ParseIpv4(address, &setting->address) &&
         MaskToPrefixLength(mask, &setting->prefix_length) && ParseIpv4(gateway, &setting->gateway) &&
         ParseMetric(metric, &setting->metric);
}

}  // namespace

AddressLine ParseAddressLine(const std::string& line) {
  AddressLine parsed;
  if (!line.starts_with(kAddressLineHead)) return parsed;
  parsed.kind = AddressLineKind::Malformed;
  const std::size_t name_start = kAddressLineHead.size();
  const std::size_t closing = line.rfind('"');
  if (closing <= name_start) return parsed;
  parsed.connection = line.substr(name_start, closing - name_start);
  const std::string tail = line.substr(closing + 1);
  if (tail == " dhcp") {
    parsed.kind = AddressLineKind::Dhcp;
  } else if (tail.starts_with(' ') && ParseStatic(tail, &parsed.setting)) {
    parsed.kind = AddressLineKind::Static;
  }
  return parsed;
}

std::vector<std::string> SplitCommandWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(word);
  return words;
}

}  // namespace mirbo
