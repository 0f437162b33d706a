#include "console/output_log.h"

namespace mirbo {

void OutputLog::AppendOutput(std::string_view text) {
  if (text.empty()) return;
  std::lock_guard lock(mutex_);
  text_.append(text);
  if (observer_) observer_(text);
}

std::string OutputLog::Text() const {
  std::lock_guard lock(mutex_);
  return text_;
}

void OutputLog::SetObserver(Observer observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

}  // namespace mirbo
