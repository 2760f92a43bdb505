#pragma once
// The font the menus Qt draws use, so that their state dots look as a StatusNotifier host
// shows them: in colour. Qt 6.4 draws a character in the first font of a family list that
// has it, whatever presentation follows it (U+FE0F), and common text fonts (DejaVu Sans)
// have ⚫ and ⚪ as small text bullets. So the family list starts with a font for the menu's
// Japanese text that has no such bullets, then the colour emoji font. Every menu orvane
// draws is a ReleasingMenu, which sets it.

#include <QFont>

namespace tamsel {

inline constexpr const char* kColourEmojiFamily = "Noto Color Emoji";

// `font` with that family list; `font` itself when the colour emoji font is not installed,
// or no installed font for Japanese text lacks the bullets.
QFont withColourDots(QFont font);

}  // namespace tamsel
