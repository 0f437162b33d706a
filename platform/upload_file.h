#pragma once

#include <cstddef>
#include <cstdint>

namespace mirbo {

// A file an upload writes, open at its end; closed when destroyed.
class UploadFile {
 public:
  virtual ~UploadFile() = default;

  // Appends `size` bytes. Returns how many were written; fewer than `size`
  // means the file system failed.
  virtual std::size_t Append(const std::uint8_t* data, std::size_t size) = 0;
};

}  // namespace mirbo
