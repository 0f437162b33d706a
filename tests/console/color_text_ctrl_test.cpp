#include "console/qt/color_text_ctrl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "console/qt/song_face.h"
#include "tests/console/recorded_boxes.h"

namespace mirbo {
namespace {

const QString kSong = QString::fromUtf8(kSongFace);
constexpr ColorRef kOrange = 0x000080FF;  // red FF, green 80, blue 00
constexpr ColorRef kNavy = 0x00800000;

class ColorTextCtrlTest : public testing::Test {
 protected:
  QLineEdit widget;
  RecordedBoxes boxes;
  ColorTextCtrl control{widget, boxes.Function()};
};

struct ColorsCase {
  ColorRef text_argument;
  ColorRef background_argument;
  QColor text;
  QColor background;
};

class SetColors : public ColorTextCtrlTest, public testing::WithParamInterface<ColorsCase> {};

TEST_P(SetColors, ChangesTheColorsItIsGivenAndKeepsTheOthers) {
  control.SetColors(kGreen, kBlack);

  EXPECT_TRUE(control.SetColors(GetParam().text_argument, GetParam().background_argument));
  EXPECT_EQ(widget.palette().color(QPalette::Text), GetParam().text);
  EXPECT_EQ(widget.palette().color(QPalette::Base), GetParam().background);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, SetColors,
    testing::Values(ColorsCase{kKeepColor, kKeepColor, QColor(0, 255, 0), QColor(0, 0, 0)},
                    ColorsCase{kOrange, kKeepColor, QColor(255, 128, 0), QColor(0, 0, 0)},
                    ColorsCase{kKeepColor, kNavy, QColor(0, 255, 0), QColor(0, 0, 128)},
                    ColorsCase{kNavy, kOrange, QColor(0, 0, 128), QColor(255, 128, 0)}));

TEST_F(ColorTextCtrlTest, SetTextAndColorsReplacesTheWholeTextOfEitherKindOfWidget) {
  QPlainTextEdit area;
  ColorTextCtrl area_control(area, boxes.Function());
  widget.setText("12");
  area.setPlainText("old\nlines");

  control.SetTextAndColors("", kKeepColor, kKeepColor);
  area_control.SetTextAndColors("new", kGreen, kKeepColor);

  EXPECT_EQ(widget.text(), "");
  EXPECT_EQ(area.toPlainText(), "new");
  EXPECT_EQ(area.palette().color(QPalette::Text), QColor(0, 255, 0));
}

TEST_F(ColorTextCtrlTest, SongFaceOfSixteenPixelsWritesChineseInLinesNoTallerThanThat) {
  ASSERT_TRUE(control.SetFaceAndHeight(kSong, 16));
  EXPECT_TRUE(boxes.shown.empty());
  const QFontMetrics metrics(widget.font());
  EXPECT_LE(metrics.height(), 16);
  EXPECT_GE(widget.font().pixelSize(), 12) << "too small to read";
  // Drawn by the face itself, never as boxes.
  for (const QChar c : QString::fromUtf8("请键入一个整数。输入错误，请重新选择！固件恢复成功上电初始化中字体不能创建"))
    EXPECT_TRUE(metrics.inFont(c)) << QString(c).toStdString() << " has no glyph";
}

struct FaceCase {
  const char* face;
  int height;
};

class FontThatCannotBeMade : public ColorTextCtrlTest, public testing::WithParamInterface<FaceCase> {};

TEST_P(FontThatCannotBeMade, ShowsTheFontErrorBoxAndLeavesTheDefaultFont) {
  ASSERT_TRUE(control.SetFaceAndHeight(kSong, 16));

  EXPECT_FALSE(control.SetFaceAndHeight(QString::fromUtf8(GetParam().face), GetParam().height));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].owner, &widget);
  EXPECT_EQ(boxes.shown[0].icon, MessageIcon::Critical);
  EXPECT_EQ(boxes.shown[0].caption, QString::fromUtf8("字体创建错误"));
  EXPECT_EQ(boxes.shown[0].text, QString::fromUtf8("字体不能创建!!!"));
  EXPECT_EQ(widget.font(), QApplication::font());

  EXPECT_TRUE(control.SetFaceAndHeight(kSong, 16)) << "a later change must work again";
}

INSTANTIATE_TEST_SUITE_P(Faces, FontThatCannotBeMade,
                         testing::Values(FaceCase{"", 16}, FaceCase{"No Such Face Anywhere", 16},
                                         FaceCase{"宋体", 0}, FaceCase{"宋体", -16}));

}  // namespace
}  // namespace mirbo
