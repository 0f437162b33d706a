// tftp-serve: the firmware service alone in the foreground, for benchmarks
// and client tests. Not part of the product.
//   tftp-serve [--port P] [--first-transfer-port P] [--image FILE] [--pause-ms N]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "console/output_log.h"
#include "platform/embedded_image.h"
#include "platform/host_services.h"
#include "tftp/request_listener.h"

namespace {

struct Options {
  mirbo::TftpSettings settings;
  const char* image_file = nullptr;
};

bool ParseNumber(const char* text, unsigned long maximum, unsigned long* value) {
  char* end = nullptr;
  *value = std::strtoul(text, &end, 10);
  return *text != '\0' && *end == '\0' && *value <= maximum;
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    unsigned long value = 0;
    if (name == "--image") {
      options->image_file = argv[i + 1];
    } else if (name == "--port" && ParseNumber(argv[i + 1], 65535, &value)) {
      options->settings.listener_port = static_cast<std::uint16_t>(value);
    } else if (name == "--first-transfer-port" && ParseNumber(argv[i + 1], 65535, &value)) {
      options->settings.first_transfer_port = static_cast<std::uint16_t>(value);
    } else if (name == "--pause-ms" && ParseNumber(argv[i + 1], 3'600'000, &value)) {
      options->settings.listener_pause_ms = static_cast<std::uint32_t>(value);
    } else {
      return false;
    }
  }
  return argc % 2 == 1;
}

// Read once; the service then serves it in place like the embedded image.
bool ReadImageFile(const char* path, std::vector<std::uint8_t>* bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad() && !bytes->empty() && bytes->size() <= UINT32_MAX;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: tftp-serve [--port P] [--first-transfer-port P] [--image FILE] [--pause-ms N]\n");
    return 2;
  }
  mirbo::FirmwareImage image = mirbo::EmbeddedFirmwareImage();
  std::vector<std::uint8_t> file_bytes;
  if (options.image_file) {
    if (!ReadImageFile(options.image_file, &file_bytes)) {
      std::fprintf(stderr, "tftp-serve: cannot read %s\n", options.image_file);
      return 1;
    }
    image = {file_bytes.data(), static_cast<std::uint32_t>(file_bytes.size())};
  }

  const std::unique_ptr<mirbo::HostServices> host = mirbo::MakeHostServices();
  mirbo::OutputLog output;
  output.SetObserver([](std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
  });
  mirbo::TftpService service{*host, output, image, [] {}, options.settings, {}};
  mirbo::RequestListener(service);
  return 1;  // the listener returns only when its port cannot be had
}
