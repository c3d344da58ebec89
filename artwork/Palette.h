#pragma once

// The colours of the artwork. The controls draw their own texts in the
// editor's grey (136, 136, 136) and blue (32, 157, 254); the art is tuned so
// both read well on the panels.

#include "artwork/Canvas.h"

namespace morlake::artwork::palette {

constexpr Colour kWindowTop = hex (0x191c21);
constexpr Colour kWindowBottom = hex (0x101215);
constexpr Colour kTopBarTop = hex (0x23272d);
constexpr Colour kTopBarBottom = hex (0x16191d);

constexpr Colour kPanelTop = hex (0x22262c);
constexpr Colour kPanelBottom = hex (0x1a1d22);
constexpr Colour kPanelBorder = hex (0x2f353d);
constexpr Colour kPanelHighlight = hex (0xffffff, 0.05);
constexpr Colour kHeaderTop = hex (0x2a2f36);
constexpr Colour kHeaderBottom = hex (0x23272d);
constexpr Colour kDivider = hex (0x000000, 0.35);

constexpr Colour kTitleText = hex (0xd9dee4);
constexpr Colour kCaptionText = hex (0x8d96a1);
constexpr Colour kBodyText = hex (0x9aa3ad);
constexpr Colour kBrightText = hex (0xd2d8de);
constexpr Colour kReadoutText = hex (0x888888); // the controls' own grey
constexpr Colour kBlueText = hex (0x209dfe);    // the controls' own blue

constexpr Colour kAmber = hex (0xf5a524);
constexpr Colour kAmberDeep = hex (0xd9831a);
constexpr Colour kBlue = hex (0x2a9dff);
constexpr Colour kBlueDeep = hex (0x1870d0);
constexpr Colour kRed = hex (0xff4b3e);
constexpr Colour kGreen = hex (0x38d26a);

constexpr Colour kWellEdge = hex (0x0a0b0d);
constexpr Colour kTrack = hex (0x0c0e11);
constexpr Colour kFieldTop = hex (0x0c0e11);
constexpr Colour kFieldBottom = hex (0x121418);
constexpr Colour kFieldBorder = hex (0x363c45);

constexpr Colour kCapTop = hex (0x4a515a);
constexpr Colour kCapBottom = hex (0x23272c);
constexpr Colour kCapFaceTop = hex (0x31363d);
constexpr Colour kCapFaceBottom = hex (0x3b4048);
constexpr Colour kPointer = hex (0xf4f6f8);

constexpr Colour kButtonTop = hex (0x3a4048);
constexpr Colour kButtonBottom = hex (0x2a2e34);
constexpr Colour kButtonOnTop = hex (0x464d56);
constexpr Colour kButtonOnBottom = hex (0x30353c);
constexpr Colour kButtonPressedTop = hex (0x1e2125);
constexpr Colour kButtonPressedBottom = hex (0x2a2e34);
constexpr Colour kButtonBorder = hex (0x0b0c0e);
constexpr Colour kLedOff = hex (0x15171a);

constexpr Colour kCardTop = hex (0xe4e7ea);
constexpr Colour kCardBottom = hex (0xc9ced4);

} // namespace morlake::artwork::palette
