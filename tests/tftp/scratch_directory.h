#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace mirbo {

// A fresh directory "work" inside a fresh temporary root, made the working
// directory for the test's life; both are removed afterwards.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();

  const std::filesystem::path& root() const { return root_; }
  const std::filesystem::path& work() const { return work_; }

  // The names in `directory`.
  static std::set<std::string> Listing(const std::filesystem::path& directory);
  static std::string Contents(const std::filesystem::path& file);
  static void Write(const std::filesystem::path& file, const std::string& contents);

 private:
  std::filesystem::path previous_;
  std::filesystem::path root_;
  std::filesystem::path work_;
};

}  // namespace mirbo
