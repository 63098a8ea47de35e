#include "MarkPictures.h"

#include <gtest/gtest.h>
#include <QImage>
#include <map>
#include <set>

namespace kelvane {
namespace {

// The colour most opaque pixels share, for telling a red mark from a black one.
QRgb DominantColour(const QImage& image) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 255) ++counts[pixel];
        }
    }
    QRgb best = 0;
    int bestCount = 0;
    for (const auto& [colour, count] : counts) {
        if (count > bestCount) {
            best = colour;
            bestCount = count;
        }
    }
    return best;
}

TEST(MarkPictures, EveryMarkHasItsOwnSixteenPixelPictureOnATransparentGround) {
    std::set<QByteArray> seen;
    for (MarkState mark = kCheckMark; mark <= kLastExceptionMark; ++mark) {
        SCOPED_TRACE(mark);
        const QPixmap picture = MarkPixmap(mark);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), QSize(16, 16));
        const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
        // The bottom-left pixel is the ground, which must not hide the row's selection colour.
        EXPECT_EQ(qAlpha(image.pixel(0, 15)), 0);
        const QByteArray bits(reinterpret_cast<const char*>(image.constBits()),
                              image.sizeInBytes());
        EXPECT_TRUE(seen.insert(bits).second) << "same picture as an earlier mark";
        EXPECT_FALSE(MarkIcon(mark).isNull());
    }
}

TEST(MarkPictures, MarksThatDecideAMessageHaveTheirColours) {
    struct Case {
        const char* name;
        MarkState mark;
        bool (*fits)(QColor);
    };
    const Case cases[] = {
        {"red check mark", kCheckMark, [](QColor c) { return c.red() > 150 && c.green() < 80; }},
        {"blue question mark", kQuestionMark,
         [](QColor c) { return c.blue() > 150 && c.red() < 80; }},
        {"black check mark", kBlacklistMark, [](QColor c) { return c.value() < 40; }},
        {"green arrow", 11, [](QColor c) { return c.green() > 120 && c.red() < 80; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = MarkPixmap(c.mark).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_TRUE(c.fits(QColor(DominantColour(image))))
            << QColor(DominantColour(image)).name().toStdString();
    }
}

TEST(MarkPictures, NoPictureWithoutAMarkOrBeyondTheFifteen) {
    for (MarkState mark : {kNoMark, -2, kLastExceptionMark + 1, 100}) {
        SCOPED_TRACE(mark);
        EXPECT_TRUE(MarkPixmap(mark).isNull());
        EXPECT_TRUE(MarkIcon(mark).isNull());
    }
}

TEST(MarkPictures, ButtonPicturesExistAndCheckButtonHasTwoDifferentOnes) {
    const QImage down = CheckButtonIcon(true).pixmap(16, 16).toImage();
    const QImage up = CheckButtonIcon(false).pixmap(16, 16).toImage();
    EXPECT_FALSE(down.isNull());
    EXPECT_FALSE(up.isNull());
    EXPECT_NE(down, up);
    EXPECT_FALSE(StopIcon().isNull());
    EXPECT_FALSE(StopIcon().pixmap(16, 16).isNull());
}

TEST(MarkPictures, MailAnimationHasTenDistinctFramesOfOneSize) {
    std::set<QByteArray> seen;
    const QSize size = MailFramePixmap(0).size();
    ASSERT_FALSE(size.isEmpty());
    for (int frame = 0; frame < kMailFrameCount; ++frame) {
        SCOPED_TRACE(frame);
        const QPixmap picture = MailFramePixmap(frame);
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), size);
        const QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
        const QByteArray bits(reinterpret_cast<const char*>(image.constBits()),
                              image.sizeInBytes());
        EXPECT_TRUE(seen.insert(bits).second);
    }
    EXPECT_TRUE(MailFramePixmap(-1).isNull());
    EXPECT_TRUE(MailFramePixmap(kMailFrameCount).isNull());
}

}  // namespace
}  // namespace kelvane
