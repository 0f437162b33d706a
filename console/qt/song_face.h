#pragma once

namespace mirbo {

// The face of the window's texts: the Song face of Chinese Windows (SimSun).
inline constexpr char kSongFace[] = "宋体";

// Where the Song face is not installed, Qt's font matching falls back to
// faces without Chinese and the texts would show as boxes: this lets
// "宋体" stand for SimSun or, failing that, any installed face that writes
// Simplified Chinese. Call once, after the application object exists.
void InstallSongSubstitutes();

}  // namespace mirbo
