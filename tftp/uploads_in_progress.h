#pragma once

#include <mutex>
#include <set>
#include <string>

namespace mirbo {

// The names that uploads are writing right now, so that a second upload of
// the same name cannot empty and interleave with the first.
class UploadsInProgress {
 public:
  // Marks `name` as being written. False when another upload writes it now.
  bool Begin(const std::string& name);

  // The upload of `name` has ended.
  void End(const std::string& name);

 private:
  std::mutex mutex_;
  std::set<std::string> names_;
};

}  // namespace mirbo
