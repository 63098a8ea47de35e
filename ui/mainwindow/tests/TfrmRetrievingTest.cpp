#include "MarkPictures.h"
#include "TfrmRetrieving.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {
namespace {

const QString kListing = "Retrieving messages ... standby";

class TfrmRetrievingTest : public ::testing::Test {
  protected:
    template <typename T>
    T* child(const char* name) {
        T* found = window_.findChild<T*>(QLatin1String(name));
        if (!found) throw std::runtime_error(std::string("no widget named ") + name);
        return found;
    }

    QLabel* label(const char* name) { return child<QLabel>(name); }
    QProgressBar* bar() { return child<QProgressBar>("progbar"); }

    bool labelShows(const QString& text) {
        for (QLabel* l : window_.findChildren<QLabel*>()) {
            if (l->text() == text && l->isVisibleTo(&window_)) return true;
        }
        return false;
    }

    TfrmRetrieving window_;
};

TEST_F(TfrmRetrievingTest, StartsWithCaptionStandbyTitleAndItsLabels) {
    EXPECT_EQ(window_.windowTitle(), "Retrieving ...");
    EXPECT_EQ(label("lblTitle")->text(), "Retrieving messages ... standby");
    EXPECT_TRUE(labelShows("Mailbox:"));
    EXPECT_TRUE(labelShows("Server:"));
    EXPECT_EQ(child<QPushButton>("btCancel")->text(), "Click to cancel");
    EXPECT_FALSE(label("anMail")->pixmap().isNull());
    EXPECT_FALSE(window_.isAnimating());
}

// A deletion's title must survive the window's appearing, which clears what the last run left.
TEST_F(TfrmRetrievingTest, ShowingStartsAFreshRunUnderItsOwnTitle) {
    window_.showFor(kListing, "ann", "pop.example.org");
    window_.setMessage("Message 3 of 7");
    window_.setProgress(3, 7);
    window_.hide();

    window_.showFor("Deleting messages ... standby", "bob", "mail.example.net");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    EXPECT_EQ(label("lblTitle")->text(), "Deleting messages ... standby");
    EXPECT_TRUE(label("lblMsg")->text().isEmpty());
    EXPECT_EQ(label("lblMailbox")->text(), "bob");
    EXPECT_EQ(label("lblServer")->text(), "mail.example.net");
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_TRUE(window_.isAnimating());
}

// Steps show by the next round of events, the latest one; hiding also drops a step not yet shown.
TEST_F(TfrmRetrievingTest, ProgressShowsTheLatestStepUntilHidden) {
    window_.showFor(kListing, "ann", "pop.example.org");
    ASSERT_FALSE(bar()->isVisible());

    window_.setProgress(1, 5);
    window_.setProgress(2, 5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar()->isVisible(); }, 2000));
    EXPECT_EQ(bar()->maximum(), 5);
    EXPECT_EQ(bar()->value(), 2);

    window_.hideProgress();
    EXPECT_FALSE(bar()->isVisible());
    window_.setProgress(3, 5);
    window_.hideProgress();
    QTest::qWait(50);
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_EQ(bar()->value(), 2);
}

TEST_F(TfrmRetrievingTest, AnimationStepsThroughTenFramesEveryThreeHundredMsAndWraps) {
    auto* timer = window_.findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 300);

    window_.showFor(kListing, "ann", "pop.example.org");
    // Speeds the animation up so that a whole round fits in the test's time.
    timer->setInterval(1);
    std::vector<int> frames{window_.animationFrame()};
    const bool wrapped = QTest::qWaitFor(
        [&] {
            if (window_.animationFrame() != frames.back()) {
                frames.push_back(window_.animationFrame());
                EXPECT_EQ(label("anMail")->pixmap().toImage(),
                          MailFramePixmap(frames.back()).toImage());
            }
            return frames.size() > static_cast<size_t>(kMailFrameCount);
        },
        2000);
    ASSERT_TRUE(wrapped);
    for (size_t i = 1; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i], (frames[i - 1] + 1) % kMailFrameCount) << "step " << i;
    }

    window_.hide();
    EXPECT_FALSE(window_.isAnimating());
}

TEST_F(TfrmRetrievingTest, CancelIsAskedForByButtonEscapeAndCloseButNotByEnter) {
    QSignalSpy cancels(&window_, &TfrmRetrieving::cancelClicked);
    window_.showFor(kListing, "ann", "pop.example.org");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));

    QTest::keyClick(&window_, Qt::Key_Return);
    EXPECT_EQ(cancels.count(), 0);

    QTest::mouseClick(child<QPushButton>("btCancel"), Qt::LeftButton);
    QTest::keyClick(&window_, Qt::Key_Escape);
    window_.close();
    EXPECT_EQ(cancels.count(), 3);
    // The owner hides the window once the client has been told to cancel.
    EXPECT_TRUE(window_.isVisible());
}

}  // namespace
}  // namespace kelvane
