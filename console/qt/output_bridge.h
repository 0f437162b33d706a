#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include <QObject>
#include <QString>

namespace mirbo {

// Carries the log's texts from any thread to the window thread without ever
// waiting for it: a text is queued at once, and one flush posted to the
// window thread hands everything queued meanwhile to the window, in log
// order and in one piece.
class OutputBridge {
 public:
  using Sink = std::function<void(const QString& text)>;

  // `context` lives on the window thread; its posted flushes die with it.
  OutputBridge(QObject& context, Sink sink);

  // Any thread. Called in log order (under the log's lock).
  void Queue(std::string_view text);

  // Window thread: hands the queued text to the sink now.
  void Flush();

 private:
  QObject& context_;
  Sink sink_;
  std::mutex mutex_;
  std::string pending_;
  bool flush_posted_ = false;
};

}  // namespace mirbo
