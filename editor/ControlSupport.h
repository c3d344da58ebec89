// What the custom controls share inside the editor: colours, the bypassed
// alpha, button bits and text fitting. Internal to the controls' files.
#pragma once

#include "editor/Controls.h"
#include "instance/EditorModel.h"

#include "vstgui/lib/cdrawcontext.h"

#include <string>

namespace morlake::controls {

using namespace VSTGUI;

inline const CColor kBlack (0, 0, 0, 255);
inline const CColor kWhite (255, 255, 255, 255);
constexpr float kBypassedAlpha = 63.0f / 255.0f;

inline int clampSize (int s) { return s < 0 ? 0 : (s >= kScreenSizes ? kScreenSizes - 1 : s); }

inline EditorModel* modelOf (const CView* view)
{
    auto* editor = editorOf (view);
    return editor != nullptr ? editor->getModel () : nullptr;
}

inline std::string orBlank (const std::string& text) { return text.empty () ? std::string (" ") : text; }

inline int buttonBits (const CButtonState& buttons)
{
    return static_cast<int> (buttons.getButtonState () | buttons.getModifierState () |
                             (buttons.isDoubleClick () ? kDoubleClick : 0));
}

inline bool isCommandClick (const CButtonState& buttons)
{
    return buttonBits (buttons) == (kButtonLeft | kButtonCommand) || buttons.isDoubleClick ();
}

inline float signOf (float v) { return v > 0.0f ? 1.0f : (v < 0.0f ? -1.0f : 0.0f); }

// Draws `text` centred in `area`, in `font` narrowed as far as 70 % of its
// size when it would not fit the width (a long label under a small knob).
void drawFitted (CDrawContext* context, const std::string& text, CRect area, CFontRef font);

// A right-click opens the parameter's menu (when there is a parameter) and
// never acts as a left click.
bool rightClickOpensMenu (CControl* control, CPoint& where, const CButtonState& buttons);

} // namespace morlake::controls
