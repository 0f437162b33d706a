// Writes the stand-in image: as long as the factory image, with a plain
// warning at its start and pseudo-random bytes after it, so that a shifted,
// dropped or repeated block never goes unnoticed in a comparison.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_stand_in_image OUTPUT\n");
    return 2;
  }
  constexpr std::size_t kSize = 11075588;  // the factory image's size
  static const char kHeader[] =
      "MIRBO RECOVERY STAND-IN IMAGE - NOT FIRMWARE - NEVER FLASH INTO A ROUTER\n";
  std::vector<unsigned char> bytes(kSize);
  std::memcpy(bytes.data(), kHeader, sizeof kHeader - 1);
  std::uint32_t state = 0x4D697262;  // xorshift32, fixed seed: the same bytes on every build
  for (std::size_t i = sizeof kHeader - 1; i < kSize; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    bytes[i] = static_cast<unsigned char>(state >> 24);
  }
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  const bool written = std::fwrite(bytes.data(), 1, kSize, out) == kSize;
  if (std::fclose(out) != 0 || !written) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
