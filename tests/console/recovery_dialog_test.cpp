#include "console/qt/recovery_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include "console/qt/song_face.h"
#include "tests/console/recorded_boxes.h"
#include "hostnet/address_commands.h"
#include "platform/embedded_image.h"
#include "tests/fakes/fake_host_services.h"
#include "tests/tftp/service_harness.h"
#include "tftp/tftp_texts.h"

namespace mirbo {
namespace {

const QString kLayoutCaption = QString::fromUtf8("Mirbo固件恢复工具 V1.1 - Mirbo修砖神器 - @Zelnet");
const QString kTitle = QString::fromUtf8("Mirbo修砖神器 - Fake Recovery 1.1 - @Zelnet");
const QString kStandInMark = QString::fromUtf8(" 【测试用替代镜像，切勿刷入真实路由器】");
const QString kNotAWholeNumber = QString::fromUtf8("请键入一个整数。");
constexpr char kHeader[] = "当前可用网卡如下，请正确选择所使用的网卡：\n";
constexpr char kWrongChoice[] = "输入错误，请重新选择！\n";
constexpr char kAutoChoice[] = "仅有一块可用网卡，即将自动选择此网卡。\n";
constexpr char kConfiguring[] = "正在配置本机IP地址信息，请稍候...\n";

// Waits on the window thread, handling its events, until `done`; bounded so
// a lost text fails the test instead of hanging it.
template <typename Condition>
bool ProcessEventsUntil(Condition done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    QCoreApplication::processEvents();
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// Keeps what the output area shows at the moment the window first appears.
class ShowWatcher : public QObject {
 public:
  QString output_when_shown;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && output_when_shown.isNull())
      output_when_shown = watched->findChild<QPlainTextEdit*>("OutputArea")->toPlainText();
    return false;
  }
};

class RecoveryDialogTest : public testing::Test {
 protected:
  RecoveryDialogTest() {
    host.image = {image_.data(), static_cast<std::uint32_t>(image_.size())};
    host.version_description = "Fake Recovery 1.1";
  }

  ~RecoveryDialogTest() override {
    if (dialog) dialog->Recovery().StopListeners();
    host.JoinThreads();
  }

  // Connections "Connection 1" to "Connection N".
  void AddConnections(int count) {
    for (int i = 1; i <= count; ++i) {
      const std::string id = "{adapter-" + std::to_string(i) + "}";
      host.adapters.push_back(FakeHostServices::Adapter(id, kAdapterTypeEthernet, "0.0.0.0"));
      host.connection_names[id] = "Connection " + std::to_string(i);
    }
  }

  // An Ethernet adapter whose connection name cannot be read.
  void AddUnreadableConnection() {
    host.adapters.push_back(FakeHostServices::Adapter("{unreadable}", kAdapterTypeEthernet, "0.0.0.0"));
  }

  void Open(bool stand_in = false) {
    RecoverySettings settings;
    settings.tftp = TestSettings();
    dialog = std::make_unique<RecoveryDialog>(
        host, log, settings,
        RecoveryDialogOptions{boxes.Function(), stand_in, nullptr});
    dialog->installEventFilter(&show_watcher);
    dialog->show();
  }

  QLineEdit* Input() { return dialog->findChild<QLineEdit*>("InputField"); }
  QPlainTextEdit* Output() { return dialog->findChild<QPlainTextEdit*>("OutputArea"); }

  void Enter(const QString& text) {
    Input()->setText(text);
    QTest::keyClick(Input(), Qt::Key_Return);
  }

  // What the output area shows once it has caught up with the log. The log
  // is read afresh each time: a started listener may still be appending.
  std::string Shown() {
    EXPECT_TRUE(ProcessEventsUntil([&] { return Output()->toPlainText() == QString::fromStdString(log.Text()); }))
        << "the area shows: " << Output()->toPlainText().toStdString();
    return Output()->toPlainText().toStdString();
  }

  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const std::string& call : host.Calls())
      if (call.rfind("RunHiddenCommand(", 0) == 0) commands.push_back(call);
    return commands;
  }

  static std::string BootLoaderCommand(int connection) {
    return "RunHiddenCommand(" +
           AddressCommandLine(AddressCommand::BootLoaderAddress, "Connection " + std::to_string(connection)) + ")";
  }

  bool Called(const std::string& call) const {
    const auto calls = host.Calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }

  FakeHostServices host;
  OutputLog log;
  RecordedBoxes boxes;
  ShowWatcher show_watcher;
  std::unique_ptr<RecoveryDialog> dialog;

 private:
  std::vector<std::uint8_t> image_ = std::vector<std::uint8_t>(1000, 0x5A);
};

TEST_F(RecoveryDialogTest, ThreeEnteredWithThreeConnectionsEmptiesTheFieldAndRecoversThroughTheThird) {
  AddConnections(3);
  Open();
  ASSERT_TRUE(Commands().empty()) << "nothing starts by itself with three connections";

  Enter("3");

  EXPECT_EQ(Input()->text(), "");
  EXPECT_EQ(Commands(), std::vector<std::string>{BootLoaderCommand(3)});
  EXPECT_TRUE(ProcessEventsUntil([&] { return Output()->toPlainText().contains(kPowerInstructionText); }))
      << "the listener did not start";
  EXPECT_TRUE(dialog->isVisible()) << "Enter must never close the window";
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RecoveryDialogTest, SecondEnterRightAfterAChoiceFindsTheFieldEmptyAndStartsNothingMore) {
  AddConnections(3);
  Open();

  Enter("2");
  QTest::keyClick(Input(), Qt::Key_Return);

  EXPECT_EQ(Commands(), std::vector<std::string>{BootLoaderCommand(2)});
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, kNotAWholeNumber);
}

class RefusedEntry : public RecoveryDialogTest, public testing::WithParamInterface<const char*> {};

TEST_P(RefusedEntry, AsksForAWholeNumberKeepsTheTextSelectedAndStartsNothing) {
  AddConnections(3);
  Open();
  const QString text = QString::fromUtf8(GetParam());

  Enter(text);

  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].owner, dialog.get());
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(boxes.shown[0].caption, "recovery_dialog_test") << "the executable's name is the program title";
  EXPECT_EQ(boxes.shown[0].text, kNotAWholeNumber);
  EXPECT_EQ(Input()->text(), text);
  EXPECT_EQ(Input()->selectedText(), text);
  EXPECT_EQ(dialog->focusWidget(), Input());
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ(Shown(), std::string(kHeader) + "\t1: Connection 1 (0.0.0.0)\n\t2: Connection 2 (0.0.0.0)\n"
                                            "\t3: Connection 3 (0.0.0.0)\n");
}

INSTANTIATE_TEST_SUITE_P(Texts, RefusedEntry, testing::Values("", "  ", "2x", "-0", "二"));

class OutOfRangeEntry : public RecoveryDialogTest, public testing::WithParamInterface<const char*> {};

TEST_P(OutOfRangeEntry, EmptiesTheFieldAndAsksForAnotherChoice) {
  AddConnections(3);
  Open();

  Enter(GetParam());

  EXPECT_EQ(Input()->text(), "");
  EXPECT_TRUE(Commands().empty());
  EXPECT_TRUE(boxes.shown.empty());
  const std::string shown = Shown();
  EXPECT_EQ(shown.substr(shown.size() - std::string(kWrongChoice).size()), kWrongChoice);
}

INSTANTIATE_TEST_SUITE_P(Numbers, OutOfRangeEntry, testing::Values("0", "4", "-1", "99999999999"));

TEST_F(RecoveryDialogTest, LoneConnectionStartsOnceBeforeTheWindowAppearsAndTheTitleIsSet) {
  AddConnections(1);
  Open();

  EXPECT_EQ(Commands(), std::vector<std::string>{BootLoaderCommand(1)});
  const std::string shown_at_first = show_watcher.output_when_shown.toStdString();
  EXPECT_EQ(shown_at_first.rfind(std::string(kHeader) + "\t1: Connection 1 (0.0.0.0)\n" + kAutoChoice + kConfiguring, 0),
            0u)
      << "when the window appeared it showed: " << shown_at_first;
  EXPECT_EQ(dialog->windowTitle(), kTitle);
}

struct CaptionCase {
  const char* name;
  bool listing_fails;
  bool has_description;
  bool stand_in;
  QString caption;
};

void PrintTo(const CaptionCase& c, std::ostream* out) { *out << c.name; }

class Caption : public RecoveryDialogTest, public testing::WithParamInterface<CaptionCase> {};

// A listing that stops after "Error !\n" ends the initialisation before the
// automatic start and the title, even with one connection listed before it.
TEST_P(Caption, FollowsTheListingTheDescriptionAndTheStandInImage) {
  AddConnections(1);
  if (GetParam().listing_fails) AddUnreadableConnection();
  if (!GetParam().has_description) host.version_description.reset();
  Open(GetParam().stand_in);

  EXPECT_EQ(dialog->windowTitle(), GetParam().caption);
  EXPECT_EQ(Called("ReadVersionDescription()"), !GetParam().listing_fails);
  EXPECT_EQ(Commands().empty(), GetParam().listing_fails);
  const std::string shown = Shown();
  EXPECT_EQ(shown.rfind(kStandInWarning, 0) == 0, GetParam().stand_in) << shown;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Caption,
    testing::Values(CaptionCase{"Described", false, true, false, kTitle},
                    CaptionCase{"Undescribed", false, false, false, kLayoutCaption},
                    CaptionCase{"ListingError", true, true, false, kLayoutCaption},
                    CaptionCase{"StandIn", false, true, true, kTitle + kStandInMark},
                    CaptionCase{"StandInListingError", true, true, true, kLayoutCaption + kStandInMark}),
    [](const testing::TestParamInfo<CaptionCase>& info) { return std::string(info.param.name); });

TEST_F(RecoveryDialogTest, ConnectionsListedBeforeAListingErrorCanStillBeChosen) {
  AddConnections(1);
  AddUnreadableConnection();
  Open();

  Enter("1");

  EXPECT_EQ(Commands(), std::vector<std::string>{BootLoaderCommand(1)});
}

// Rounded as Windows converts dialog units.
int Units(int units, int base, int per) { return (units * base + per / 2) / per; }

TEST_F(RecoveryDialogTest, OpensAtTheTopLeftInTheLayoutsDialogUnitsWithoutMaximiseOrResizing) {
  Open();
  QFont layout_font(QString::fromUtf8(kSongFace));
  layout_font.setPointSize(9);
  const QFontMetrics metrics(layout_font);
  const int base_x = (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
  const int base_y = metrics.height();
  const auto x = [&](int units) { return Units(units, base_x, 4); };
  const auto y = [&](int units) { return Units(units, base_y, 8); };

  EXPECT_EQ(dialog->frameGeometry().topLeft(), QPoint(0, 0));
  EXPECT_EQ(dialog->size(), QSize(x(330), y(200)));
  EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize()) << "resizable";
  EXPECT_EQ(Output()->geometry(), QRect(0, 0, x(329), y(186)));
  EXPECT_EQ(Input()->geometry(), QRect(0, y(186), x(329), y(200) - y(186)));

  const Qt::WindowFlags flags = dialog->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(dialog->windowIcon().availableSizes().contains(QSize(128, 128)));

  for (QWidget* child : dialog->findChildren<QWidget*>()) {
    if (child->focusPolicy() & Qt::TabFocus) {
      EXPECT_EQ(child, Input()) << "a second focus stop";
    }
  }
  EXPECT_TRUE(Output()->isReadOnly());
  EXPECT_EQ(Output()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(Output()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

class Control : public RecoveryDialogTest, public testing::WithParamInterface<const char*> {};

TEST_P(Control, DrawsGreenOnBlackInTheSixteenPixelSongFace) {
  Open();
  auto* control = dialog->findChild<QWidget*>(GetParam());
  ASSERT_NE(control, nullptr);

  EXPECT_EQ(control->palette().color(QPalette::Text), QColor(0, 255, 0));
  EXPECT_EQ(control->palette().color(QPalette::Base), QColor(0, 0, 0));
  EXPECT_LE(QFontMetrics(control->font()).height(), 16);
  const QString family = QFontInfo(control->font()).family();
  EXPECT_TRUE(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese))
      << family.toStdString() << " writes no Chinese";
}

INSTANTIATE_TEST_SUITE_P(Controls, Control, testing::Values("OutputArea", "InputField"));

TEST_F(RecoveryDialogTest, TypedLettersAndSignsAreRefusedWhilePastedTextGoesInAndIsRead) {
  AddConnections(3);
  Open();

  QTest::keyClicks(Input(), "1a -2");
  EXPECT_EQ(Input()->text(), "12");

  Input()->clear();
  QApplication::clipboard()->setText(" 2 ");
  QTest::keySequence(Input(), QKeySequence::Paste);
  EXPECT_EQ(Input()->text(), " 2 ");
  QTest::keyClick(Input(), Qt::Key_Return);

  EXPECT_EQ(Commands(), std::vector<std::string>{BootLoaderCommand(2)});
}

TEST_F(RecoveryDialogTest, EscEndsTheWindowDuringARecoveryWithoutAQuestion) {
  AddConnections(1);
  Open();
  ASSERT_TRUE(ProcessEventsUntil([&] { return Output()->toPlainText().contains(kPowerInstructionText); }));

  QTest::keyClick(Input(), Qt::Key_Escape);

  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(RecoveryDialogTest, TextsFromManyThreadsReachTheAreaWholeAndInLogOrderWhileTheWindowIsBusy) {
  Open();
  constexpr int kThreads = 4;
  constexpr int kTexts = 500;
  std::atomic<int> finished = 0;
  const auto append_from_threads = [&] {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        for (int i = 0; i < kTexts; ++i) log.AppendOutput("<" + std::to_string(t) + ":" + std::to_string(i) + ">");
        ++finished;
      });
    return threads;
  };

  // The window thread takes no events until every worker is done: none may wait for it.
  for (std::thread& thread : append_from_threads()) thread.join();
  // Then the window thread takes its events while they write.
  finished = 0;
  std::vector<std::thread> threads = append_from_threads();
  EXPECT_TRUE(ProcessEventsUntil([&] { return finished == kThreads; }));
  for (std::thread& thread : threads) thread.join();

  // The log's own order is whole texts, each thread's in order (its own test shows that).
  EXPECT_EQ(Shown(), log.Text());
}

TEST_F(RecoveryDialogTest, OutputAreaKeepsTheNewestLineInViewWhenTheLogOutgrowsIt) {
  Open();
  for (int line = 1; line <= 200; ++line) log.AppendOutput("line " + std::to_string(line) + "\n");
  log.AppendOutput("\n固件恢复成功！\n");
  Shown();

  QTextCursor end(Output()->document());
  end.movePosition(QTextCursor::End);
  end.movePosition(QTextCursor::PreviousBlock);  // the success line; the last block is the empty one after it
  const QRect viewport = Output()->viewport()->rect();
  EXPECT_TRUE(viewport.contains(Output()->cursorRect(end))) << "the success text is out of view";
  EXPECT_LT(Output()->cursorRect(QTextCursor(Output()->document())).top(), 0) << "the oldest lines should have left";
  EXPECT_FALSE(Output()->verticalScrollBar()->isVisible());
}

}  // namespace
}  // namespace mirbo
