#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace mirbo {

// The operator's log: it only grows. AppendOutput may be called from any
// thread; each text lands whole and each thread's texts keep their order.
// The lock is held only to append and hand the text on, so a worker is never
// held up by a busy window thread.
class OutputLog {
 public:
  using Observer = std::function<void(std::string_view appended)>;

  void AppendOutput(std::string_view text);

  // The whole log so far.
  std::string Text() const;

  // Called with every appended text, in log order, under the log's lock: it
  // must only copy or queue the text (the window posts it to its thread).
  void SetObserver(Observer observer);

 private:
  mutable std::mutex mutex_;
  std::string text_;
  Observer observer_;
};

}  // namespace mirbo
