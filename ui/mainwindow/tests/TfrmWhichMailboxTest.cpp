#include "RecordingMessageBoxes.h"
#include "TfrmWhichMailbox.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <stdexcept>
#include <string>

namespace kelvane {
namespace {

using testsupport::RecordingMessageBoxes;

// Mailboxes 1, 4, 10 and 12 take part in checks; 2 is switched off and 3 has no server.
MailboxAccounts SomeAccounts() {
    MailboxAccounts accounts;
    for (MailboxAccount& account : accounts.accounts) account = {"", "", true, "", 0, ""};
    accounts.Account(1) = {"pop.one.example", "ann", true, "pw", 0, ""};
    accounts.Account(2) = {"pop.two.example", "off", false, "pw", 0, ""};
    accounts.Account(3) = {"", "noserver", true, "pw", 0, ""};
    accounts.Account(4) = {"mail.four.example", "bob %1", true, "pw", 0, ""};
    accounts.Account(10) = {"ten.example", "tess", true, "pw", 0, ""};
    accounts.Account(12) = {"twelve.example", "zed", true, "", 0, ""};
    return accounts;
}

class TfrmWhichMailboxTest : public ::testing::Test {
  protected:
    TfrmWhichMailbox& open(int current) {
        window_ =
            std::make_unique<TfrmWhichMailbox>(SomeAccounts().PickerChoices(), current, boxes_);
        window_->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        return *window_;
    }

    template <typename T>
    T* child(const char* name) {
        T* found = window_->findChild<T*>(QLatin1String(name));
        if (!found) throw std::runtime_error(std::string("no widget named ") + name);
        return found;
    }

    QComboBox* list() { return child<QComboBox>("cbWhich"); }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }

    RecordingMessageBoxes boxes_;
    std::unique_ptr<TfrmWhichMailbox> window_;
};

TEST_F(TfrmWhichMailboxTest, ListsOnlyMailboxesThatTakePartInChecks) {
    open(1);
    EXPECT_EQ(window_->windowTitle(), "Which Mail Box?");
    EXPECT_NE(window_->findChild<QLabel*>(), nullptr);
    EXPECT_EQ(window_->findChild<QLabel*>()->text(), "Which mailbox do you wish to check?");

    const QStringList expected = {
        "1) Mailbox ann - Server pop.one.example",
        // A user name that looks like a placeholder is shown as it is.
        "4) Mailbox bob %1 - Server mail.four.example",
        "10) Mailbox tess - Server ten.example",
        "12) Mailbox zed - Server twelve.example",
    };
    QStringList entries;
    for (int i = 0; i < list()->count(); ++i) entries << list()->itemText(i);
    EXPECT_EQ(entries, expected);
}

TEST_F(TfrmWhichMailboxTest, EntriesShowControlsInNamesAsBlanksAndStillChoose) {
    MailboxAccounts accounts;
    accounts.Account(11) = {"pop\tone.example", "ann\x1b[2J", true, "pw", 0, ""};
    window_ = std::make_unique<TfrmWhichMailbox>(accounts.PickerChoices(), 11, boxes_);
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));

    EXPECT_EQ(list()->currentText(), "11) Mailbox ann [2J - Server pop one.example");
    click("btOK");
    EXPECT_EQ(window_->chosenMailbox(), 11);
}

// The entry's text is only for reading: the number chosen is the one it was made for, however
// its text begins.
TEST_F(TfrmWhichMailboxTest, OkGivesTheNumberOfTheEntryNotOfItsText) {
    const std::vector<MailboxChoice> choices = {
        {5, "12) Mailbox ann - Server pop.one.example"},
        {7, "Mailbox (work) 3) - Server pop.two.example"},
        {9, "9a) Mailbox tess - Server ten.example"},
    };
    for (int entry = 0; entry < static_cast<int>(choices.size()); ++entry) {
        SCOPED_TRACE(choices[entry].text);
        window_ = std::make_unique<TfrmWhichMailbox>(choices, 1, boxes_);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        list()->setCurrentIndex(entry);
        click("btOK");
        EXPECT_EQ(window_->result(), QDialog::Accepted);
        EXPECT_EQ(window_->chosenMailbox(), choices[entry].mailbox);
    }
}

TEST_F(TfrmWhichMailboxTest, PreselectsTheCurrentMailboxOnlyWhenListed) {
    struct Case {
        const char* name;
        int current;
        QString selected;
    };
    const Case cases[] = {
        {"first", 1, "1) Mailbox ann - Server pop.one.example"},
        {"two digits", 10, "10) Mailbox tess - Server ten.example"},
        {"switched off", 2, ""},
        {"no server", 3, ""},
        {"not configured", 7, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.current);
        EXPECT_EQ(list()->currentText(), c.selected);
        EXPECT_EQ(list()->currentIndex() < 0, c.selected.isEmpty());
    }
}

TEST_F(TfrmWhichMailboxTest, OkGivesTheChosenMailbox) {
    struct Case {
        const char* name;
        int current;
        int entry;
        int chosen;
    };
    const Case cases[] = {
        {"keeps current", 4, -1, 4},
        {"one digit", 1, 1, 4},
        {"two digits", 1, 3, 12},
        {"from no preselection", 7, 2, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.current);
        if (c.entry >= 0) list()->setCurrentIndex(c.entry);
        click("btOK");
        EXPECT_EQ(window_->result(), QDialog::Accepted);
        EXPECT_FALSE(window_->isVisible());
        EXPECT_EQ(window_->chosenMailbox(), c.chosen);
    }
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(TfrmWhichMailboxTest, OkWithNothingChosenComplainsAndStaysOpen) {
    open(7);
    click("btOK");
    EXPECT_EQ(boxes_.shown, std::vector<std::string>{"error: Mailbox not selected."});
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(window_->chosenMailbox(), 7);

    // Choosing one afterwards still works.
    list()->setCurrentIndex(0);
    click("btOK");
    EXPECT_EQ(window_->result(), QDialog::Accepted);
    EXPECT_EQ(window_->chosenMailbox(), 1);
}

TEST_F(TfrmWhichMailboxTest, CancelChangesNothingEvenAfterAnotherChoice) {
    open(4);
    list()->setCurrentIndex(3);
    click("btCancel");
    EXPECT_EQ(window_->result(), QDialog::Rejected);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(window_->chosenMailbox(), 4);
    EXPECT_TRUE(boxes_.shown.empty());
}

TEST_F(TfrmWhichMailboxTest, EnterChoosesLikeOk) {
    open(1);
    list()->setCurrentIndex(2);
    EXPECT_TRUE(child<QPushButton>("btOK")->isDefault());
    QTest::keyClick(window_.get(), Qt::Key_Return);
    EXPECT_EQ(window_->result(), QDialog::Accepted);
    EXPECT_EQ(window_->chosenMailbox(), 10);
}

}  // namespace
}  // namespace kelvane
