#include "MarkPictures.h"
#include "RightAlignDelegate.h"
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
#include <QTreeWidget>
#include <functional>
#include <stdexcept>
#include <string>

namespace kelvane {
namespace {

class TfrmMainTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }

    template <typename T>
    T* child(const char* name) {
        T* found = window_.findChild<T*>(QLatin1String(name));
        if (!found) throw std::runtime_error(std::string("no widget named ") + name);
        return found;
    }

    QTreeWidget* list() { return child<QTreeWidget>("ListView1"); }
    QPushButton* button(const char* name) { return child<QPushButton>(name); }

    QTreeWidgetItem* addRow(const QString& subject) {
        auto* item = new QTreeWidgetItem({subject, "ann@example.org", "2048", "2024-03-01 10:15"});
        list()->addTopLevelItem(item);
        return item;
    }

    QPoint cellCentre(QTreeWidgetItem* item, int column = 0) {
        return list()->visualRect(list()->indexFromItem(item, column)).center();
    }

    TfrmMain window_;
};

const char* const kMessageButtons[] = {"btMark", "btDelete", "btResetAll", "btRemark", "btLaunch"};

TEST_F(TfrmMainTest, TitleIsProgramNameAndDefaultSizeFitsColumnsAndAllButtons) {
    EXPECT_EQ(window_.windowTitle(), "Kelvane");
    EXPECT_GE(list()->viewport()->width(), 220 + 200 + 60 + 130);

    // Listing messages brings in the full button row; the window must already have room for it.
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

    QTreeWidget* view = list();
    ASSERT_EQ(view->columnCount(), 4);
    for (int column = 0; column < 4; ++column) {
        const Case& expected = cases[column];
        SCOPED_TRACE(expected.heading);
        EXPECT_EQ(view->headerItem()->text(column), expected.heading);
        EXPECT_EQ(view->columnWidth(column), expected.width);
        const auto alignment = Qt::Alignment(
            view->model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(alignment.testFlag(Qt::AlignRight), expected.rightAligned);
    }
    EXPECT_FALSE(view->rootIsDecorated());
    EXPECT_EQ(view->topLevelItemCount(), 0);
}

TEST_F(TfrmMainTest, SizeCellsAreRightAlignedWhoeverAddsTheRow) {
    QTreeWidgetItem* item = addRow("Invoice");
    auto* delegate = dynamic_cast<RightAlignDelegate*>(list()->itemDelegateForColumn(2));
    ASSERT_NE(delegate, nullptr);

    QStyleOptionViewItem option;
    delegate->initStyleOption(&option, list()->indexFromItem(item, 2));
    EXPECT_TRUE(option.displayAlignment.testFlag(Qt::AlignRight));
    for (int column : {0, 1, 3}) EXPECT_EQ(list()->itemDelegateForColumn(column), nullptr);
}

TEST_F(TfrmMainTest, ClickingAHeadingDoesNotSortTheList) {
    addRow("beta");
    addRow("alpha");
    QHeaderView* header = list()->header();
    const QPoint subjectHeading(header->sectionViewportPosition(0) + 20, header->height() / 2);

    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, subjectHeading);

    EXPECT_EQ(list()->topLevelItem(0)->text(0), "beta");
    EXPECT_EQ(list()->topLevelItem(1)->text(0), "alpha");
    EXPECT_FALSE(header->isSortIndicatorShown());
}

TEST_F(TfrmMainTest, CellsCannotBeEditedInPlace) {
    QTreeWidgetItem* item = addRow("Invoice");
    // Even an editable item must not open an editor in this list.
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    list()->setCurrentItem(item);
    list()->setFocus();

    QTest::keyClick(list(), Qt::Key_F2);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(item));
    QTest::keyClicks(list(), "x");

    EXPECT_TRUE(list()->findChildren<QLineEdit*>().isEmpty());
    EXPECT_EQ(item->text(0), "Invoice");
}

TEST_F(TfrmMainTest, ControlClickSelectsSeveralRows) {
    QTreeWidgetItem* first = addRow("one");
    addRow("two");
    QTreeWidgetItem* third = addRow("three");

    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, cellCentre(first));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(third));

    EXPECT_EQ(list()->selectedItems().size(), 2);
    EXPECT_TRUE(first->isSelected());
    EXPECT_TRUE(third->isSelected());
}

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

TEST_F(TfrmMainTest, EnableAllButtonsShowsMessageCommandsOnlyWhenListHasRows) {
    auto* tagline = child<QLabel>("lblAd");

    window_.disableAllButtons();
    EXPECT_FALSE(button("btList")->isEnabled());
    EXPECT_FALSE(button("btOptions")->isEnabled());
    window_.enableAllButtons();
    EXPECT_TRUE(button("btOptions")->isEnabled());
    for (const char* name : kMessageButtons) EXPECT_FALSE(button(name)->isVisible()) << name;
    EXPECT_TRUE(tagline->isVisible());

    addRow("Invoice");
    window_.enableAllButtons();
    for (const char* name : kMessageButtons) EXPECT_TRUE(button(name)->isVisible()) << name;
    EXPECT_FALSE(tagline->isVisible());
    // A window without a run attached has nothing to check with.
    EXPECT_FALSE(button("btList")->isEnabled());

    window_.disableAllButtons();
    for (const char* name : kMessageButtons) EXPECT_FALSE(button(name)->isVisible()) << name;
    EXPECT_TRUE(tagline->isVisible());
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

TEST_F(TfrmMainTest, OptionsMenuOffersOnlyAbout) {
    QMenu* menu = button("btOptions")->menu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* about = menu->actions().first();
    EXPECT_EQ(about->objectName(), "About1");
    EXPECT_EQ(about->text(), "A&bout");
    EXPECT_TRUE(about->isEnabled());
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
    QTreeWidgetItem* first = addRow("Invoice");
    QTreeWidgetItem* second = addRow("Lunch");
    EXPECT_EQ(window_.rowMark(0), kNoMark);
    window_.setRowMark(0, kNoMark);

    for (MarkState mark : {kCheckMark, kBlacklistMark, kLastExceptionMark}) {
        SCOPED_TRACE(mark);
        window_.setRowMark(1, mark);
        EXPECT_EQ(window_.rowMark(1), mark);
        EXPECT_EQ(second->icon(0).pixmap(16, 16).toImage(), MarkPixmap(mark).toImage());
        for (int column : {1, 2, 3}) EXPECT_TRUE(second->icon(column).isNull());
        EXPECT_EQ(second->text(0), "Lunch");
        // The other row keeps its own mark.
        EXPECT_EQ(window_.rowMark(0), kNoMark);
    }
    EXPECT_EQ(list()->iconSize(), QSize(16, 16));

    // Taking the mark away leaves an empty picture, so the subjects of all rows stay lined up.
    window_.setRowMark(1, kNoMark);
    EXPECT_EQ(window_.rowMark(1), kNoMark);
    for (QTreeWidgetItem* item : {first, second}) {
        const QImage blank = item->icon(0).pixmap(16, 16).toImage();
        ASSERT_EQ(blank.size(), QSize(16, 16));
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) ASSERT_EQ(qAlpha(blank.pixel(x, y)), 0) << x << "," << y;
        }
    }

    // A row that is not there is left alone rather than crashing the window.
    window_.setRowMark(2, kCheckMark);
    window_.setRowMark(-1, kCheckMark);
    EXPECT_EQ(window_.rowMark(2), kNoMark);
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
