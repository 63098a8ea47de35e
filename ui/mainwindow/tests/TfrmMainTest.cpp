#include "MarkPictures.h"
#include "MessageListModel.h"
#include "TfrmAbout.h"
#include "TfrmMain.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {
namespace {

// The window over rows of its own, changed and announced the way a run does it.
class TfrmMainTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_.showRows(&rows_);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }

    template <typename T>
    T* child(const char* name) {
        T* found = window_.findChild<T*>(QLatin1String(name));
        if (!found) throw std::runtime_error(std::string("no widget named ") + name);
        return found;
    }

    QTreeView* list() { return child<QTreeView>("ListView1"); }
    QAbstractItemModel* model() { return list()->model(); }
    QPushButton* button(const char* name) { return child<QPushButton>(name); }
    QModelIndex cell(int row, int column = 0) { return model()->index(row, column); }
    QString text(int row, int column = 0) { return cell(row, column).data().toString(); }
    QPoint cellCentre(int row) { return list()->visualRect(cell(row)).center(); }

    void addRow(const std::string& subject, const std::string& date = "3/1/2024 10:15 AM") {
        rows_.push_back({subject, "ann@example.org", "2048", date});
        window_.messageList().rowAppended(static_cast<int>(rows_.size()) - 1);
    }

    // Declared first, so that the rows outlive the window that lists them.
    std::vector<MessageEntry> rows_;
    TfrmMain window_;
};

TEST_F(TfrmMainTest, TitleIsProgramNameAndDefaultSizeFitsColumnsAndAllButtons) {
    EXPECT_EQ(window_.windowTitle(), "Kelvane");
    EXPECT_GE(list()->viewport()->width(), 220 + 200 + 60 + 130);

    // Listing messages brings in the message buttons; the window must already have room for them.
    const QSize idleSize = window_.size();
    addRow("Invoice");
    window_.enableAllButtons();
    QApplication::processEvents();
    EXPECT_EQ(window_.size(), idleSize);
}

TEST_F(TfrmMainTest, ListHasFourColumnsWithHeadingsWidthsAndAlignment) {
    struct Case {
        const char* heading;
        int width;
        bool rightAligned;
    };
    const Case cases[] = {
        {"Subject", 220, false}, {"Sender", 200, false}, {"Size", 60, true}, {"Date", 130, false}};

    ASSERT_EQ(model()->columnCount(), 4);
    EXPECT_EQ(model()->rowCount(), 0);
    addRow("Invoice");
    const auto rightAligned = [](const QVariant& alignment) {
        return Qt::Alignment(alignment.toInt()).testFlag(Qt::AlignRight);
    };
    for (int column = 0; column < 4; ++column) {
        const Case& expected = cases[column];
        SCOPED_TRACE(expected.heading);
        EXPECT_EQ(model()->headerData(column, Qt::Horizontal).toString(), expected.heading);
        EXPECT_EQ(list()->columnWidth(column), expected.width);
        EXPECT_EQ(rightAligned(model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole)),
                  expected.rightAligned);
        EXPECT_EQ(rightAligned(cell(0, column).data(Qt::TextAlignmentRole)), expected.rightAligned);
    }
    EXPECT_FALSE(list()->rootIsDecorated());
}

TEST_F(TfrmMainTest, ClickingAHeadingDoesNotSortTheList) {
    addRow("beta");
    addRow("alpha");
    QHeaderView* header = list()->header();
    const QPoint subjectHeading(header->sectionViewportPosition(0) + 20, header->height() / 2);

    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, subjectHeading);

    EXPECT_EQ(text(0), "beta");
    EXPECT_EQ(text(1), "alpha");
    EXPECT_FALSE(header->isSortIndicatorShown());
}

TEST_F(TfrmMainTest, CellsCannotBeEditedInPlace) {
    addRow("Invoice");
    list()->setCurrentIndex(cell(0));
    list()->setFocus();

    QTest::keyClick(list(), Qt::Key_F2);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(0));
    QTest::keyClicks(list(), "x");

    EXPECT_TRUE(list()->findChildren<QLineEdit*>().isEmpty());
    EXPECT_EQ(text(0), "Invoice");
    EXPECT_EQ(rows_[0].subject, "Invoice");
}

TEST_F(TfrmMainTest, ControlClickSelectsSeveralRows) {
    addRow("one");
    addRow("two");
    addRow("three");

    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(0));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(2));

    std::vector<int> selected;
    for (const QModelIndex& row : list()->selectionModel()->selectedRows())
        selected.push_back(row.row());
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, (std::vector<int>{0, 2}));
}

// The mark and reset commands do nothing yet, so they are never offered.
TEST_F(TfrmMainTest, IdleStateOffersOnlyWorkingCommandsInOrder) {
    struct Case {
        const char* name;
        const char* caption;
        bool visible;
        bool enabled;
    };
    const Case cases[] = {
        {"btList", "&Check e-mail", true, false},
        {"btMark", "&Mark msgs", false, true},
        {"btDelete", "&Delete marked msgs", false, true},
        {"btExit", "E&xit", true, true},
        {"btOptions", "&Settings && Stats", true, true},
        {"btResetAll", "&Reset all marks", false, true},
        {"btRemark", "&Auto mark msgs", false, true},
        {"btLaunch", "&Launch e-mail program", false, true},
    };

    QLayout* row = button("btList")->parentWidget()->layout();
    int previousPosition = -1;
    for (const Case& expected : cases) {
        SCOPED_TRACE(expected.name);
        QPushButton* b = button(expected.name);
        EXPECT_EQ(b->text(), expected.caption);
        EXPECT_EQ(b->isVisible(), expected.visible);
        EXPECT_EQ(b->isEnabled(), expected.enabled);
        EXPECT_GT(row->indexOf(b), previousPosition);
        previousPosition = row->indexOf(b);
    }
    auto* tagline = child<QLabel>("lblAd");
    EXPECT_GT(row->indexOf(tagline), previousPosition);
    EXPECT_TRUE(tagline->isVisible());
    EXPECT_EQ(tagline->text(), "Kelvane - eliminate junk e-mail!");
}

TEST_F(TfrmMainTest, CheckButtonWithoutARunExplainsItselfOnHover) {
    QPushButton* check = button("btList");
    ASSERT_FALSE(check->isEnabled());
    const QPoint inside = check->rect().center();
    QHelpEvent hover(QEvent::ToolTip, inside, check->mapToGlobal(inside));
    QApplication::sendEvent(check, &hover);

    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 2000));
    EXPECT_EQ(QToolTip::text(), "Checking mail is not available in this version yet");
    QToolTip::hideText();
}

TEST_F(TfrmMainTest, StatusBarHasFixedHintAndStretchingStatusPanel) {
    auto* bar = child<QStatusBar>("StatusBar1");
    auto* hint = child<QLabel>("pnlHint");
    auto* status = child<QLabel>("pnlStatus");
    EXPECT_EQ(hint->parentWidget(), bar);
    EXPECT_EQ(hint->text(), "Right click for more options, double click to mark");
    EXPECT_EQ(hint->width(), 300);
    EXPECT_TRUE(status->text().isEmpty());
    EXPECT_LT(hint->x(), status->x());

    window_.setStatusText("Connecting");
    EXPECT_EQ(status->text(), "Connecting");
    EXPECT_EQ(hint->text(), "Right click for more options, double click to mark");

    QApplication::processEvents();
    const int narrowWidth = status->width();
    window_.resize(window_.width() + 200, window_.height());
    QApplication::processEvents();
    EXPECT_EQ(hint->width(), 300);
    EXPECT_EQ(status->width(), narrowWidth + 200);
}

// Only the commands that work come with a listing; the others stay hidden whatever happens.
TEST_F(TfrmMainTest, EnableAllButtonsShowsMessageCommandsOnlyWhenListHasRows) {
    const char* const working[] = {"btMark", "btDelete", "btResetAll", "btRemark", "btLaunch"};
    auto* tagline = child<QLabel>("lblAd");
    const auto expectShown = [&](bool shown) {
        for (const char* name : working) EXPECT_EQ(button(name)->isVisible(), shown) << name;
        EXPECT_EQ(tagline->isVisible(), !shown);
    };

    window_.disableAllButtons();
    EXPECT_FALSE(button("btList")->isEnabled());
    EXPECT_FALSE(button("btOptions")->isEnabled());
    window_.enableAllButtons();
    EXPECT_TRUE(button("btOptions")->isEnabled());
    expectShown(false);

    addRow("Invoice");
    window_.enableAllButtons();
    expectShown(true);
    // A window without a run attached has nothing to check with.
    EXPECT_FALSE(button("btList")->isEnabled());

    window_.disableAllButtons();
    expectShown(false);
    EXPECT_FALSE(button("btOptions")->isEnabled());
}

TEST_F(TfrmMainTest, ExitClosesTheWindowByMouseAndByMnemonic) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"click", [&] { QTest::mouseClick(button("btExit"), Qt::LeftButton); }},
        {"Alt+X", [&] { QTest::keyClick(&window_, Qt::Key_X, Qt::AltModifier); }},
    };
    for (const auto& [way, press] : ways) {
        SCOPED_TRACE(way);
        window_.show();
        QApplication::setActiveWindow(&window_);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
        press();
        // A mnemonic clicks only after the button's short press animation.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window_.isVisible(); }, 2000));
    }
}

// Started in the tray the third button puts the program away instead of ending it, and reads
// "Cancel" only while a run is busy.
TEST_F(TfrmMainTest, StartedInTrayTheThirdButtonHidesInsteadOfExiting) {
    window_.setStartedInTray(true);
    EXPECT_EQ(button("btExit")->text(), "&Hide");
    window_.disableAllButtons();
    EXPECT_EQ(button("btExit")->text(), "Cancel");
    window_.enableAllButtons();
    EXPECT_EQ(button("btExit")->text(), "&Hide");

    QTest::mouseClick(button("btExit"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window_.isMinimized(); }, 2000));
    EXPECT_TRUE(window_.isVisible());

    window_.setStartedInTray(false);
    EXPECT_EQ(button("btExit")->text(), "E&xit");
}

// Only commands whose windows exist are offered: the settings windows once the program has them.
TEST_F(TfrmMainTest, OptionsMenuOffersTheWindowsThatExist) {
    QMenu* menu = button("btOptions")->menu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 5);
    QAction* spam = menu->actions().at(0);
    QAction* general = menu->actions().at(1);
    QAction* help = menu->actions().at(2);
    QAction* about = menu->actions().at(3);
    QAction* stats = menu->actions().at(4);
    EXPECT_EQ(spam->objectName(), "SpamSettings1");
    EXPECT_EQ(spam->text(), "S&pam settings");
    EXPECT_FALSE(spam->isVisible());
    EXPECT_EQ(help->text(), "&Help");
    EXPECT_FALSE(help->isVisible());
    EXPECT_EQ(general->objectName(), "GeneralSettings1");
    EXPECT_EQ(general->text(), "&General settings");
    EXPECT_FALSE(general->isVisible());
    EXPECT_EQ(about->objectName(), "About1");
    EXPECT_EQ(about->text(), "A&bout");
    EXPECT_TRUE(about->isEnabled());
    EXPECT_EQ(stats->objectName(), "Stats1");
    EXPECT_EQ(stats->text(), "S&tats");
    EXPECT_FALSE(stats->isVisible());

    int opened = 0;
    window_.setGeneralSettingsOpener([&] { ++opened; });
    EXPECT_TRUE(general->isVisible());
    general->trigger();
    EXPECT_EQ(opened, 1);
    window_.setHelpOpener([&] { opened += 10; });
    EXPECT_TRUE(help->isVisible());
    help->trigger();
    EXPECT_EQ(opened, 11);
    window_.setSpamSettingsOpener([&] { opened += 100; });
    EXPECT_TRUE(spam->isVisible());
    spam->trigger();
    EXPECT_EQ(opened, 111);
    window_.setStatisticsOpener([&] { opened += 1000; });
    EXPECT_TRUE(stats->isVisible());
    stats->trigger();
    EXPECT_EQ(opened, 1111);
}

TEST_F(TfrmMainTest, AboutOpensModalAboutBox) {
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shownTitle = modal->windowTitle();
            modal->close();
        }
    });
    child<QAction>("About1")->trigger();
    EXPECT_EQ(shownTitle, "About Kelvane");
}

TEST_F(TfrmMainTest, RowMarkShowsItsPictureInFrontOfTheSubjectOnly) {
    addRow("Invoice");
    addRow("Lunch");
    EXPECT_EQ(window_.rowMark(0), kNoMark);
    const auto picture = [&](int row, int column) {
        return qvariant_cast<QIcon>(cell(row, column).data(Qt::DecorationRole));
    };

    for (MarkState mark : {kCheckMark, kBlacklistMark, kLastExceptionMark}) {
        SCOPED_TRACE(mark);
        rows_[1].mark = mark;
        window_.messageList().marksChanged();
        EXPECT_EQ(window_.rowMark(1), mark);
        EXPECT_EQ(picture(1, 0).pixmap(16, 16).toImage(), MarkPixmap(mark).toImage());
        for (int column : {1, 2, 3}) EXPECT_TRUE(picture(1, column).isNull());
        EXPECT_EQ(text(1), "Lunch");
        // The other row keeps its own mark.
        EXPECT_EQ(window_.rowMark(0), kNoMark);
    }
    EXPECT_EQ(list()->iconSize(), QSize(16, 16));

    // Taking the mark away leaves an empty picture, so the subjects of all rows stay lined up.
    rows_[1].mark = kNoMark;
    window_.messageList().marksChanged();
    EXPECT_EQ(window_.rowMark(1), kNoMark);
    for (int row : {0, 1}) {
        const QImage blank = picture(row, 0).pixmap(16, 16).toImage();
        ASSERT_EQ(blank.size(), QSize(16, 16));
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) ASSERT_EQ(qAlpha(blank.pixel(x, y)), 0) << x << "," << y;
        }
    }

    // A row that is not listed has no mark rather than crashing the window.
    EXPECT_EQ(window_.rowMark(2), kNoMark);
    EXPECT_EQ(window_.rowMark(-1), kNoMark);
}

// Dates come in the desktop's form, and texts that are no date at all as they are: the column
// grows to show each whole, also for rows that replace the list at once, and never shrinks.
TEST_F(TfrmMainTest, DateColumnGrowsToShowEveryDateWhole) {
    const std::string wide = "sometime on the last Wednesday of September 2023 at noon";
    const auto fits = [&](int row) {
        return list()->sizeHintForIndex(cell(row, 3)).width() <= list()->columnWidth(3);
    };
    addRow("short", "3/1/2024");
    EXPECT_EQ(list()->columnWidth(3), 130);

    addRow("wide", wide);
    EXPECT_TRUE(fits(1)) << list()->columnWidth(3);
    const int grown = list()->columnWidth(3);
    addRow("short again", "3/2/2024");
    EXPECT_EQ(list()->columnWidth(3), grown);

    std::vector<MessageEntry> replacement{{"new", "bo@example.org", "1", wide + " or later"}};
    window_.showRows(&replacement);
    EXPECT_TRUE(fits(0)) << list()->columnWidth(3);
    window_.showRows(&rows_);
}

TEST(TfrmMainAboutBox, ShowsNameVersionAndTaglineAndClosesWithOk) {
    const QString savedVersion = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion("9.8.7");
    TfrmAbout about;
    QCoreApplication::setApplicationVersion(savedVersion);

    EXPECT_EQ(about.windowTitle(), "About Kelvane");
    auto* name = about.findChild<QLabel*>("lblName");
    auto* line = about.findChild<QLabel*>("lblTagline");
    ASSERT_NE(name, nullptr);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(name->text(), "Kelvane 9.8.7");
    EXPECT_EQ(line->text(), "Kelvane - eliminate junk e-mail!");

    auto* buttons = about.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->standardButtons(), QDialogButtonBox::Ok);
    about.show();
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace kelvane
