#include "tests/tftp/scratch_directory.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace mirbo {

ScratchDirectory::ScratchDirectory() : previous_(std::filesystem::current_path()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "mirbo-tftp-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("no scratch directory");
  root_ = pattern;
  work_ = root_ / "work";
  std::filesystem::create_directory(work_);
  std::filesystem::current_path(work_);
}

ScratchDirectory::~ScratchDirectory() {
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::set<std::string> ScratchDirectory::Listing(const std::filesystem::path& directory) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory))
    names.insert(entry.path().filename().string());
  return names;
}

std::string ScratchDirectory::Contents(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

void ScratchDirectory::Write(const std::filesystem::path& file, const std::string& contents) {
  std::ofstream(file, std::ios::binary) << contents;
}

}  // namespace mirbo
