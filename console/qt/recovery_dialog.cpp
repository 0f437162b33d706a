#include "console/qt/recovery_dialog.h"

#include "console/qt/dialog_units.h"
#include "console/qt/log_view.h"
#include "console/qt/number_line_edit.h"
#include "console/qt/program_icon.h"
#include "console/qt/song_face.h"
#include "console/read_selection.h"
#include "hostnet/adapter_discovery.h"
#include "platform/embedded_image.h"

namespace mirbo {
namespace {

constexpr char kLayoutCaption[] = "Mirbo固件恢复工具 V1.1 - Mirbo修砖神器 - @Zelnet";
constexpr char kTitleHead[] = "Mirbo修砖神器 - ";
constexpr char kTitleTail[] = " - @Zelnet";
constexpr char kStandInMark[] = " 【测试用替代镜像，切勿刷入真实路由器】";
constexpr char kNotAWholeNumberText[] = "请键入一个整数。";
constexpr int kControlHeight = 16;

// A caption bar with the system menu, a minimise box and a close box; no
// maximise box. The size is fixed by PlaceControls.
constexpr Qt::WindowFlags kWindowFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                         Qt::WindowCloseButtonHint;

// Its sizes in dialog units are those of a 9-point Song face.
QFont LayoutFont() {
  QFont font(QString::fromUtf8(kSongFace));
  font.setPointSize(9);
  return font;
}

}  // namespace

RecoveryDialog::RecoveryDialog(HostServices& host, OutputLog& output, RecoverySettings settings,
                               RecoveryDialogOptions options)
    : QDialog(nullptr, kWindowFlags),
      host_(host),
      output_(output),
      options_(std::move(options)),
      recovery_(host, output, state_, settings),
      input_edit_(new NumberLineEdit(this)),
      output_view_(new LogView(this)),
      input_field_(*input_edit_, options_.message_box),
      output_area_(*output_view_, options_.message_box),
      bridge_(*this, [this](const QString& text) { output_view_->AppendText(text); }) {
  input_edit_->setObjectName(QStringLiteral("InputField"));
  output_view_->setObjectName(QStringLiteral("OutputArea"));
  setWindowTitle(QString::fromUtf8(kLayoutCaption) + StandInMark());
  PlaceControls();
  output_.SetObserver([this](std::string_view text) {
    if (options_.mirror) options_.mirror(text);
    bridge_.Queue(text);
  });
  connect(input_edit_, &QLineEdit::returnPressed, this, [this] { OnEnter(); });
}

RecoveryDialog::~RecoveryDialog() { output_.SetObserver(nullptr); }

void RecoveryDialog::setVisible(bool visible) {
  if (!visible || initialised_) {
    QDialog::setVisible(visible);
    return;
  }
  initialised_ = true;
  const bool focus_input = InitDialog();
  // Everything the initialisation wrote is in place when the window appears.
  bridge_.Flush();
  QDialog::setVisible(true);
  if (focus_input) input_edit_->setFocus();
}

void RecoveryDialog::PlaceControls() {
  const DialogBaseUnits base = BaseUnitsOf(LayoutFont());
  setFixedSize(MapDialogRect(0, 0, 330, 200, base).size());
  output_view_->setGeometry(MapDialogRect(0, 0, 329, 186, base));
  input_edit_->setGeometry(MapDialogRect(0, 186, 329, 14, base));
  move(0, 0);
}

bool RecoveryDialog::InitDialog() {
  setWindowIcon(ProgramIcon());
  SetUpControls();
  if (options_.stand_in_image) output_.AppendOutput(kStandInWarning);
  if (!DiscoverAdapters(host_, output_, state_.adapters)) return false;
  recovery_.AutoStart();
  SetTitle();
  return true;
}

void RecoveryDialog::SetUpControls() {
  const QString song = QString::fromUtf8(kSongFace);
  output_area_.SetFaceAndHeight(song, kControlHeight);
  output_area_.SetColors(kGreen, kBlack);
  input_field_.SetFaceAndHeight(song, kControlHeight);
  input_field_.SetTextAndColors(QString(), kGreen, kBlack);
}

void RecoveryDialog::SetTitle() {
  std::string description;
  if (!host_.ReadVersionDescription(&description)) return;
  setWindowTitle(QString::fromUtf8(kTitleHead) + QString::fromUtf8(description) + QString::fromUtf8(kTitleTail) +
                 StandInMark());
}

QString RecoveryDialog::StandInMark() const {
  return options_.stand_in_image ? QString::fromUtf8(kStandInMark) : QString();
}

void RecoveryDialog::OnEnter() {
  if (!ReadSelectionFromField()) return;
  input_field_.SetTextAndColors(QString(), kKeepColor, kKeepColor);
  recovery_.ChooseAdapter();
}

bool RecoveryDialog::ReadSelectionFromField() {
  if (ReadSelection(input_edit_->text().toStdString(), &state_.selection)) return true;
  options_.message_box(this, MessageIcon::Exclamation, ProgramTitle(), QString::fromUtf8(kNotAWholeNumberText));
  input_edit_->setFocus();
  input_edit_->selectAll();
  return false;
}

}  // namespace mirbo
