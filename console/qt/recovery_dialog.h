#pragma once

#include <QDialog>

#include "console/output_log.h"
#include "console/qt/color_text_ctrl.h"
#include "console/qt/message_box.h"
#include "console/qt/output_bridge.h"
#include "platform/host_services.h"
#include "recovery/recovery_sequence.h"
#include "recovery/recovery_settings.h"
#include "recovery/recovery_state.h"

namespace mirbo {

class LogView;
class NumberLineEdit;

struct RecoveryDialogOptions {
  MessageBoxFunction message_box = ShowPlatformMessageBox;
  // The program carries the stand-in image: warn first, and say so in the title.
  bool stand_in_image = false;
  // Also given every text of the log, in order, under the log's lock.
  OutputLog::Observer mirror;
};

// The program's one window: the operator's log above a line for the number
// of the connection to recover through. It owns the recovery's state and
// sequence. Showing it the first time runs its initialisation; Enter reads
// the number and chooses; Esc and the close box end it, with no question.
class RecoveryDialog : public QDialog {
 public:
  RecoveryDialog(HostServices& host, OutputLog& output, RecoverySettings settings,
                 RecoveryDialogOptions options = {});
  ~RecoveryDialog() override;

  void setVisible(bool visible) override;

  // For tests, which stop the listeners before they join the host's threads.
  RecoverySequence& Recovery() { return recovery_; }

 private:
  void PlaceControls();
  bool InitDialog();
  void SetUpControls();
  void SetTitle();
  QString StandInMark() const;
  void OnEnter();
  bool ReadSelectionFromField();

  HostServices& host_;
  OutputLog& output_;
  const RecoveryDialogOptions options_;
  RecoveryState state_;
  RecoverySequence recovery_;
  NumberLineEdit* const input_edit_;  // owned by the window, as Qt children are
  LogView* const output_view_;
  ColorTextCtrl input_field_;
  ColorTextCtrl output_area_;
  OutputBridge bridge_;
  bool initialised_ = false;
};

}  // namespace mirbo
