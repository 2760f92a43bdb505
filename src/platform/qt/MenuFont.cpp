#include "platform/qt/MenuFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QRawFont>
#include <QStringList>

namespace tamsel {
namespace {

// Whether `family` itself (not a fallback for it) has the stopped or the other dot.
bool hasTextDots(const QString& family) {
    const QRawFont raw = QRawFont::fromFont(QFont(family));
    return raw.supportsCharacter(char32_t(0x26AB)) || raw.supportsCharacter(char32_t(0x26AA));
}

}  // namespace

QFont withColourDots(QFont font) {
    const QString emoji = QString::fromLatin1(kColourEmojiFamily);
    if (!QFontDatabase::families().contains(emoji)) return font;
    // The family the desktop's font resolves to ("Sans Serif" is only a name for one).
    QString text = QFontInfo(font).family();
    if (hasTextDots(text)) {
        // A proportional font for Japanese text, one made for Japan when there is one (the
        // CJK families come in a variant per region, whose letters differ).
        text.clear();
        for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese)) {
            if (family == emoji || QFontDatabase::isFixedPitch(family) || hasTextDots(family)) continue;
            if (text.isEmpty() || (family.endsWith(QLatin1String(" JP")) && !text.endsWith(QLatin1String(" JP"))))
                text = family;
        }
        if (text.isEmpty()) return font;
    }
    font.setFamilies({text, emoji});
    return font;
}

}  // namespace tamsel
