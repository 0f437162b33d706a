// Test programs of the window: one application object for all their cases,
// made after the cases are known, so listing them needs no window system.
#include <gtest/gtest.h>

#include <optional>

#include <QApplication>

#include "console/qt/song_face.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  std::optional<QApplication> app;
  if (!GTEST_FLAG_GET(list_tests)) {
    app.emplace(argc, argv);
    mirbo::InstallSongSubstitutes();
  }
  return RUN_ALL_TESTS();
}
