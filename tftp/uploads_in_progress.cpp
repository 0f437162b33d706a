#include "tftp/uploads_in_progress.h"

namespace mirbo {

bool UploadsInProgress::Begin(const std::string& name) {
  std::lock_guard lock(mutex_);
  return names_.insert(name).second;
}

void UploadsInProgress::End(const std::string& name) {
  std::lock_guard lock(mutex_);
  names_.erase(name);
}

}  // namespace mirbo
