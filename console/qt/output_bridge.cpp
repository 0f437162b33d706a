#include "console/qt/output_bridge.h"

#include <QMetaObject>

namespace mirbo {

OutputBridge::OutputBridge(QObject& context, Sink sink) : context_(context), sink_(std::move(sink)) {}

void OutputBridge::Queue(std::string_view text) {
  const std::lock_guard lock(mutex_);
  pending_.append(text);
  if (flush_posted_) return;
  flush_posted_ = true;
  QMetaObject::invokeMethod(&context_, [this] { Flush(); }, Qt::QueuedConnection);
}

void OutputBridge::Flush() {
  std::string text;
  {
    const std::lock_guard lock(mutex_);
    text.swap(pending_);
    flush_posted_ = false;
  }
  if (!text.empty()) sink_(QString::fromUtf8(text));
}

}  // namespace mirbo
