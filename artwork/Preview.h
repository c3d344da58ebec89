#pragma once

// Contact sheet: the screens with controls composited the way the editor
// draws them (demo values), then every bitmap, all at one screen size.

#include "artwork/Canvas.h"

namespace morlake::artwork {

enum class PreviewScreen
{
    Main,
    Back
};

Image renderScreenPreview (PreviewScreen screen, int screenSize);
Image renderContactSheet (int screenSize);

} // namespace morlake::artwork
