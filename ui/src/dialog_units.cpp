#include "dialog_units.h"

#include <QApplication>
#include <QFontMetrics>

namespace {

constexpr int kHorizontalUnitsPerChar = 4;
constexpr int kVerticalUnitsPerChar = 8;
constexpr int kDialogFontPoints = 9;
constexpr qreal kSmallestFontPoints = 5;
constexpr qreal kFontStepPoints = 0.5;
constexpr char kLatinLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kLatinLetterCount = 52;

// value x numerator / denominator, rounded half away from zero.
int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int lettersWidth = metrics.horizontalAdvance(QLatin1String(kLatinLetters));
    return {MulDiv(lettersWidth, 1, kLatinLetterCount), metrics.height()};
}

QRect MapDialogRect(const QRect& units, DialogBaseUnits base) {
    const int left = MulDiv(units.x(), base.x, kHorizontalUnitsPerChar);
    const int top = MulDiv(units.y(), base.y, kVerticalUnitsPerChar);
    const QSize size = MapDialogSize(units.size(), base);
    return {left, top, size.width(), size.height()};
}

QSize MapDialogSize(const QSize& units, DialogBaseUnits base) {
    return {MulDiv(units.width(), base.x, kHorizontalUnitsPerChar),
            MulDiv(units.height(), base.y, kVerticalUnitsPerChar)};
}

QFont DialogFont() {
    QFont font = QApplication::font();
    font.setPointSize(kDialogFontPoints);
    return font;
}

QFont DialogFontFitting(QSize units, QSize room) {
    QFont font = DialogFont();
    const auto fits = [&] {
        const QSize size = MapDialogSize(units, BaseUnitsOf(font));
        return size.width() <= room.width() && size.height() <= room.height();
    };
    while (!fits() && font.pointSizeF() - kFontStepPoints >= kSmallestFontPoints)
        font.setPointSizeF(font.pointSizeF() - kFontStepPoints);
    return font;
}
