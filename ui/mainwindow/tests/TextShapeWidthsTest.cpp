#include "TextShapeWidths.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFontMetricsF>
#include <QtMath>

namespace kelvane {
namespace {

int Exact(const QFont& font, const QString& text) {
    return qCeil(QFontMetricsF(font).horizontalAdvance(text));
}

// Dates in several scripts' digits, times, and texts that are no date at all: none is ever
// measured narrower than it is, whatever form came before it.
TEST(TextShapeWidthsTest, NoTextIsMeasuredNarrowerThanItIs) {
    const QFont font = QApplication::font();
    TextShapeWidths widths;
    const QString texts[] = {
        "1/1/2000",
        "3/14/2024 10:15 AM",
        "12/31/1999 11:11:11 PM",
        "31.12.1999 00:00",
        QString::fromUtf8("\u0663/\u0661/\u0662\u0660\u0662\u0664"),
        QString::fromUtf8("\u0969/\u0967/\u0968\u0966\u0968\u096a"),
        "sometime on the last Wednesday of September 2023 at noon",
        "WWW MMM",
        "",
    };
    for (const QString& text : texts) {
        EXPECT_GE(widths.width(font, text), Exact(font, text)) << text.toStdString();
    }
}

// Dates that differ in their digits alone share one width, the one their widest member needs.
TEST(TextShapeWidthsTest, DatesDifferingInDigitsShareTheWidestMeasure) {
    const QFont font = QApplication::font();
    TextShapeWidths widths;
    const int first = widths.width(font, "1/1/2011 1:11 AM");
    EXPECT_EQ(widths.width(font, "8/8/2088 8:88 AM"), first);
    EXPECT_GE(first, Exact(font, "8/8/2088 8:88 AM"));
    EXPECT_GE(first, Exact(font, "0/0/0000 0:00 AM"));
    EXPECT_NE(widths.width(font, "11/11/2011 1:11 AM"), first) << "another form";
}

// A larger font, say after the desktop's settings changed, is measured afresh.
TEST(TextShapeWidthsTest, AnotherFontIsMeasuredAfresh) {
    QFont font = QApplication::font();
    TextShapeWidths widths;
    const int small = widths.width(font, "3/14/2024 10:15 AM");
    font.setPointSizeF(font.pointSizeF() * 3);
    const int large = widths.width(font, "3/14/2024 10:15 AM");
    EXPECT_GT(large, small);
    EXPECT_GE(large, Exact(font, "3/14/2024 10:15 AM"));
}

}  // namespace
}  // namespace kelvane
