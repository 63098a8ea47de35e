#include "TextShapeWidths.h"

#include <QFontMetricsF>
#include <QtMath>

namespace kelvane {

namespace {

// Texts that are no date at all have forms of their own; a list of them must not make the
// measures grow without end.
constexpr qsizetype kMostForms = 4096;

}  // namespace

int TextShapeWidths::width(const QFont& font, const QString& text) {
    if (!measured_ || font != font_ || widths_.size() >= kMostForms) {
        font_ = font;
        measured_ = true;
        widestDigits_.clear();
        widths_.clear();
    }
    const QString key = shape(text);
    const auto known = widths_.constFind(key);
    if (known != widths_.constEnd()) return *known;
    const int measured = qCeil(QFontMetricsF(font_).horizontalAdvance(key));
    widths_.insert(key, measured);
    return measured;
}

// Decimal digits come in runs of ten from a zero in every script that has them; those beyond
// the first 65536 characters come as surrogate pairs and are measured as they are.
QString TextShapeWidths::shape(const QString& text) {
    QString shaped = text;
    for (QChar& c : shaped) {
        if (c.category() != QChar::Number_DecimalDigit) continue;
        c = widestDigit(static_cast<char16_t>(c.unicode() - c.digitValue()));
    }
    return shaped;
}

QChar TextShapeWidths::widestDigit(char16_t zero) {
    const auto known = widestDigits_.constFind(zero);
    if (known != widestDigits_.constEnd()) return *known;
    const QFontMetricsF metrics(font_);
    QChar widest(zero);
    for (char16_t digit = zero + 1; digit < zero + 10; ++digit) {
        if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widest))
            widest = QChar(digit);
    }
    widestDigits_.insert(zero, widest);
    return widest;
}

}  // namespace kelvane
