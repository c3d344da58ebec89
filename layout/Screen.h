// The editor's window and its four screen sizes, shared by the editor and
// the artwork generator that draws its bitmaps.
#pragma once

namespace morlake {

// Screen sizes 100, 125, 150 and 200 per cent.
constexpr int kScreenSizes = 4;
constexpr float SCALE[kScreenSizes] = {1.0f, 1.25f, 1.5f, 2.0f};

// The window at 100 %.
constexpr int kWindowWidth = 1100;
constexpr int kWindowHeight = 712;

// Tag of a control without a parameter.
constexpr int kNoParameterTag = 9999;

} // namespace morlake
