#include "platform/linux/posix_upload_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace mirbo {
namespace {

class PosixUploadFile final : public UploadFile {
 public:
  explicit PosixUploadFile(int fd) : fd_(fd) {}
  ~PosixUploadFile() override { close(fd_); }

  std::size_t Append(const std::uint8_t* data, std::size_t size) override {
    std::size_t written = 0;
    while (written < size) {
      const ssize_t n = write(fd_, data + written, size - written);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      written += static_cast<std::size_t>(n);
    }
    return written;
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<UploadFile> CreatePosixUploadFile(const std::string& name) {
  // O_NOFOLLOW: a link planted in the working directory must not carry the
  // upload elsewhere.
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixUploadFile>(fd);
}

}  // namespace mirbo
