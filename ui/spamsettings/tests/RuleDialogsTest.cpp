// The rule editor dialogs, the country list and the import dialog.
#include "RecordingMessageBoxes.h"
#include "RuleTable.h"
#include "RuleTrialLine.h"
#include "TfrmAlwaysAccept.h"
#include "TfrmHeaders.h"
#include "TfrmImportSpam.h"
#include "TfrmInternet.h"
#include "TfrmOptionsFROM.h"
#include "TfrmOptionsSubject.h"

#include <gmock/gmock.h>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>
#include <stdexcept>

namespace kelvane {
namespace {

using ::testing::ElementsAre;

template <typename T>
T* Child(QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(QLatin1String(name));
    if (!found) throw std::runtime_error(std::string("no widget named ") + name);
    return found;
}

QStringList Entries(const QComboBox& box) {
    QStringList entries;
    for (int i = 0; i < box.count(); ++i) entries << box.itemText(i);
    return entries;
}

CountrySuffix Solomon() {
    for (const CountrySuffix& entry : CountrySuffixes()) {
        if (entry.code == "SB") return entry;
    }
    throw std::runtime_error("no SB");
}

// OK on `dialog`: whether it closed, and the boxes it showed.
bool PressOk(QDialog& dialog) {
    dialog.show();
    Child<QPushButton>(dialog, "btOK")->click();
    return !dialog.isVisible();
}

class RuleDialogsTest : public ::testing::Test {
  protected:
    testsupport::RecordingMessageBoxes boxes_;
};

TEST_F(RuleDialogsTest, SubjectDialogHidesTheTextForWholeFieldTestsAndRefusesABlankText) {
    TfrmOptionsSubject dialog(boxes_);
    EXPECT_EQ(dialog.windowTitle(), "Subject line options");
    auto* op = Child<QComboBox>(dialog, "cbOperator");
    auto* text = Child<QComboBox>(dialog, "cbSubject");
    EXPECT_EQ(Entries(*op),
              QStringList({"Contains", "Contains (whole word)", "Equals (exact match)",
                           "Starts with", "Ends with", "Is blank or empty", "Is all UPPERCASE"}));
    EXPECT_EQ(text->count(), 44);
    EXPECT_TRUE(text->isEditable());

    dialog.show();
    text->setEditText(" \r\n");
    EXPECT_FALSE(PressOk(dialog));
    EXPECT_THAT(boxes_.shown, ElementsAre("error: The subject text cannot be left blank."));
    EXPECT_EQ(dialog.focusWidget(), text);

    // Typed text goes when the operator takes none.
    text->setEditText("typed");
    op->setCurrentIndex(6);
    EXPECT_FALSE(text->isVisible());
    EXPECT_FALSE(Child<QCheckBox>(dialog, "cbCase")->isVisible());
    Child<QRadioButton>(dialog, "rbQuestion")->setChecked(true);
    EXPECT_TRUE(PressOk(dialog));
    RuleTable table(RuleTableKind::Subject);
    subjectAfterShowmodal(table, 1, dialog.fields());
    EXPECT_THAT(table.row(1), ElementsAre("", "Is UPPERCASE", "", "", "No", "0"));
}

TEST_F(RuleDialogsTest, SubjectDialogOpensWithTheRowsFields) {
    TfrmOptionsSubject dialog(boxes_);
    dialog.setFields({3, "Re: offer", true, false});
    const SubjectRuleFields fields = dialog.fields();
    EXPECT_EQ(fields.op, 3);
    EXPECT_EQ(fields.text, "Re: offer");
    EXPECT_TRUE(fields.caseMatters);
    EXPECT_FALSE(fields.deletes);
}

TEST_F(RuleDialogsTest, SenderDialogBlocksACountryAndHidesItsButtonWhenEditing) {
    int asked = 0;
    TfrmOptionsFROM dialog(boxes_, nullptr, [&asked](QWidget*) {
        ++asked;
        return std::optional<CountrySuffix>(Solomon());
    });
    EXPECT_EQ(dialog.windowTitle(), "Sender characteristics");
    EXPECT_EQ(Child<QComboBox>(dialog, "cbOperator")->count(), 10);
    EXPECT_EQ(Child<QComboBox>(dialog, "cbSender")->count(), 54);
    EXPECT_EQ(Child<QRadioButton>(dialog, "rbCheck")->text(), "&check mark");
    const SenderRuleFields defaults = dialog.fields();
    EXPECT_TRUE(defaults.domain);
    EXPECT_EQ(defaults.op, 2);
    EXPECT_TRUE(defaults.deletes);

    dialog.show();
    EXPECT_FALSE(PressOk(dialog));
    EXPECT_THAT(boxes_.shown, ElementsAre("error: The Sender field cannot be left blank."));

    Child<QComboBox>(dialog, "cbKind")->setCurrentIndex(0);
    Child<QPushButton>(dialog, "btCountry")->click();
    EXPECT_EQ(asked, 1);
    const SenderRuleFields blocked = dialog.fields();
    EXPECT_TRUE(blocked.domain);
    EXPECT_EQ(blocked.op, 4);
    EXPECT_EQ(blocked.text, ".SB");
    EXPECT_EQ(Child<QLabel>(dialog, "lblCountry")->text(), "Solomon Islands");

    TfrmOptionsFROM edited(boxes_);
    edited.show();
    edited.setFields({false, 7, "", true});
    EXPECT_FALSE(Child<QPushButton>(edited, "btCountry")->isVisible());
    EXPECT_FALSE(Child<QComboBox>(edited, "cbSender")->isVisible());
    EXPECT_TRUE(PressOk(edited));
}

TEST_F(RuleDialogsTest, HeaderDialogShowsEachChoicesFieldsAndItsErrors) {
    TfrmHeaders dialog(boxes_, {"1) ann - server a.test", "3) bob - server b.test"});
    EXPECT_EQ(dialog.windowTitle(), "Header characteristics");
    dialog.show();
    EXPECT_TRUE(Child<QRadioButton>(dialog, "rbHeader")->isChecked());
    EXPECT_EQ(dialog.fields().text, "X-1");
    EXPECT_FALSE(Child<QLineEdit>(dialog, "edTo")->isVisible());

    Child<QComboBox>(dialog, "cbHeader")->setEditText("");
    EXPECT_FALSE(PressOk(dialog));
    Child<QRadioButton>(dialog, "rbTo")->setChecked(true);
    EXPECT_TRUE(Child<QLineEdit>(dialog, "edTo")->isVisible());
    EXPECT_FALSE(Child<QComboBox>(dialog, "cbOperator")->isVisible());
    EXPECT_FALSE(PressOk(dialog));
    EXPECT_THAT(boxes_.shown, ElementsAre("error: The header text cannot be blank",
                                          "error: The TO field cannot be blank"));
    EXPECT_EQ(dialog.focusWidget(), Child<QLineEdit>(dialog, "edTo"));

    Child<QLineEdit>(dialog, "edTo")->setText("ann - MailBox #3");
    EXPECT_TRUE(PressOk(dialog));
    RuleTable table(RuleTableKind::Header);
    headerAfterShowmodal(table, 1, dialog.fields());
    EXPECT_THAT(table.row(1),
                ElementsAre("", "To does not contain", "ann - MailBox #1", "No", "Yes", "0"));
}

// With no mailbox that has a server the list is empty: a "To" rule would name "MailBox #0", new
// or edited, so OK refuses it and says why.
TEST_F(RuleDialogsTest, HeaderDialogRefusesAToRuleWithoutAMailbox) {
    const std::string refused =
        "error: No mailbox has a server to choose. Give a mailbox its server in the General "
        "settings first.";
    TfrmHeaders fresh(boxes_, {});
    fresh.show();
    Child<QRadioButton>(fresh, "rbTo")->setChecked(true);
    Child<QLineEdit>(fresh, "edTo")->setText("ann@home.test");
    EXPECT_FALSE(PressOk(fresh));
    EXPECT_EQ(fresh.focusWidget(), Child<QComboBox>(fresh, "cbMailbox"));

    TfrmHeaders edited(boxes_, {});
    edited.setFields({HeaderChoice::ToDoesNotContain, 0, "", false, true, "ann@home.test", 2});
    EXPECT_FALSE(PressOk(edited));
    EXPECT_THAT(boxes_.shown, ElementsAre(refused, refused));

    // Other choices need no mailbox.
    Child<QRadioButton>(edited, "rbReplyTo")->setChecked(true);
    EXPECT_TRUE(PressOk(edited));
}

TEST_F(RuleDialogsTest, HeaderDialogEditsTheRowsMailboxOrTheFirst) {
    const std::vector<std::string> mailboxes{"1) ann - server a.test", "3) bob - server b.test"};
    HeaderRuleFields to;
    to.choice = HeaderChoice::ToDoesNotContain;
    to.address = "bob";
    for (const auto& [mailbox, entry] : {std::pair{3, 1}, std::pair{5, 0}}) {
        TfrmHeaders dialog(boxes_, mailboxes);
        to.mailbox = mailbox;
        dialog.setFields(to);
        EXPECT_EQ(Child<QComboBox>(dialog, "cbMailbox")->currentIndex(), entry) << mailbox;
        EXPECT_TRUE(Child<QRadioButton>(dialog, "rbTo")->isChecked());
        EXPECT_EQ(dialog.fields().address, "bob");
    }

    TfrmHeaders dialog(boxes_, mailboxes, nullptr,
                       [](QWidget*) { return std::optional<CountrySuffix>(Solomon()); });
    dialog.setFields({HeaderChoice::SenderEqualsTo, 0, "", false, true, "", 0});
    EXPECT_TRUE(Child<QRadioButton>(dialog, "rbSameTo")->isChecked());
    Child<QPushButton>(dialog, "btCountry")->click();
    const HeaderRuleFields blocked = dialog.fields();
    EXPECT_EQ(blocked.choice, HeaderChoice::MessageHeader);
    EXPECT_EQ(blocked.op, 4);
    EXPECT_EQ(blocked.text, ".SB");
    EXPECT_FALSE(blocked.caseMatters);
}

TEST_F(RuleDialogsTest, ExceptionDialogTakesTheChosenWayAndPicture) {
    TfrmAlwaysAccept dialog(boxes_);
    EXPECT_EQ(dialog.windowTitle(), "Accept e-mail from");
    dialog.show();
    auto* strip = Child<QListView>(dialog, "ImageList");
    EXPECT_EQ(strip->model()->rowCount(), 12);
    EXPECT_EQ(dialog.fields().picture, 3);
    EXPECT_TRUE(Child<QLineEdit>(dialog, "edAddress")->isVisible());
    EXPECT_FALSE(Child<QLineEdit>(dialog, "edText")->isVisible());
    EXPECT_TRUE(Child<QComboBox>(dialog, "cbHeaderLine")->isVisible());

    const std::pair<const char*, const char*> blanks[] = {
        {"rbAddress", "error: The email line cannot be blank"},
        {"rbDomain", "error: The domain line cannot be blank"},
        {"rbHeader", "error: The subject line cannot be blank"},
    };
    for (const auto& [choice, error] : blanks) {
        Child<QRadioButton>(dialog, choice)->setChecked(true);
        boxes_.shown.clear();
        EXPECT_FALSE(PressOk(dialog)) << choice;
        EXPECT_THAT(boxes_.shown, ElementsAre(error));
    }

    Child<QRadioButton>(dialog, "rbDomain")->setChecked(true);
    Child<QLineEdit>(dialog, "edDomain")->setText("friends.test");
    strip->setCurrentIndex(strip->model()->index(6, 0));
    EXPECT_TRUE(PressOk(dialog));
    RuleTable table(RuleTableKind::Exceptions);
    exceptAfterShowmodal(table, 1, dialog.fields());
    EXPECT_THAT(table.row(1),
                ElementsAre("Domain name", "Equals", "friends.test", "No", "0", "", "9"));
}

TEST_F(RuleDialogsTest, CountryListOffersEveryEntryAndReturnsTheChosenSuffix) {
    TfrmInternet dialog;
    EXPECT_EQ(dialog.windowTitle(), "Internet WWW Country Suffixes");
    auto* list = Child<QTreeView>(dialog, "ListView1");
    ASSERT_EQ(list->model()->rowCount(), 243);
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), "Abbreviation");
    EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal).toString(), "Country");
    EXPECT_EQ(list->currentIndex().row(), 0);
    dialog.show();
    Child<QPushButton>(dialog, "btOK")->click();
    ASSERT_TRUE(dialog.chosen());
    EXPECT_EQ(CountrySuffixText(*dialog.chosen()), ".AF");

    TfrmInternet again;
    again.show();
    auto* view = Child<QTreeView>(again, "ListView1");
    QModelIndex solomon;
    for (int row = 0; row < 243; ++row) {
        if (view->model()->index(row, 0).data().toString() == "SB")
            solomon = view->model()->index(row, 1);
    }
    ASSERT_TRUE(solomon.isValid());
    view->setCurrentIndex(solomon);
    emit view->doubleClicked(solomon);
    ASSERT_TRUE(again.chosen());
    EXPECT_EQ(again.chosen()->name, "Solomon Islands");
    EXPECT_FALSE(again.isVisible());
}

TEST_F(RuleDialogsTest, ImportGivesTheLinesWithoutDirectRepeats) {
    TfrmImportSpam dialog;
    EXPECT_EQ(dialog.windowTitle(), "Import new keywords");
    EXPECT_EQ(Child<QLabel>(dialog, "lblTitle")->text(), "Import spam keywords");
    dialog.setTitle("Import e-mail addresses");
    EXPECT_EQ(Child<QLabel>(dialog, "lblTitle")->text(), "Import e-mail addresses");
    Child<QPlainTextEdit>(dialog, "Memo1")->setPlainText("free\nfree\ncash\nfree");
    EXPECT_THAT(dialog.lines(), ElementsAre("free", "cash", "free"));
}

// The rule dialogs opened over a window that has trial messages: two of the last listing and one
// deleted, one of them with a subject that must be made safe for display.
class RuleTrialLineTest : public RuleDialogsTest {
  protected:
    RuleTrialLineTest() {
        SetRuleTrialSource(owner_, [this] {
            ++loads_;
            std::vector<TrialMessage> messages;
            messages.push_back(Message(TrialSource::LastListing, "Cheap pills\x1b[31m",
                                       "promo@pills.example", "Reply-To: other@reply.example"));
            messages.push_back(Message(TrialSource::LastListing, "Lunch", "bob@friends.test"));
            messages.push_back(
                Message(TrialSource::DeletedJunk, "cheap PILLS", "deals@pills.example"));
            return std::make_shared<RuleTrial>(std::move(messages));
        });
    }
    static TrialMessage Message(TrialSource source, std::string subject, std::string sender,
                                std::string extraLine = "") {
        TmsHeaders headers{"From: " + sender};
        if (!extraLine.empty()) headers.push_back(std::move(extraLine));
        return {source, 1, std::move(subject), std::move(sender), std::move(headers)};
    }
    // Lets the gathered edits be tried.
    static void Settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    static QString Line(QWidget& dialog) {
        Settle();
        return Child<QLabel>(dialog, "lbRuleTrial")->text();
    }

    QWidget owner_;
    int loads_ = 0;
};

TEST_F(RuleTrialLineTest, SubjectLineFollowsTheTypingAndReadsTheMessagesOnce) {
    TfrmOptionsSubject dialog(boxes_, &owner_);
    dialog.show();
    EXPECT_TRUE(Child<QLabel>(dialog, "lbRuleTrial")->isVisible());
    EXPECT_EQ(Line(dialog),
              "Complete the rule to try it on 2 messages in the last listing and 1 deleted "
              "messages.");
    auto* text = Child<QComboBox>(dialog, "cbSubject");
    for (const char* typed : {"p", "pi", "pil", "pill", "pills"}) text->setEditText(typed);
    EXPECT_EQ(Line(dialog),
              "Matches 1 of 2 messages in the last listing and 1 of 1 deleted messages.");
    Child<QCheckBox>(dialog, "cbCase")->setChecked(true);
    EXPECT_EQ(Line(dialog),
              "Matches 1 of 2 messages in the last listing and 0 of 1 deleted messages.");
    text->setEditText("pillsx");
    EXPECT_EQ(Line(dialog),
              "Matches 0 of 2 messages in the last listing and 0 of 1 deleted messages.");
    EXPECT_FALSE(Child<QPushButton>(dialog, "btShowTrialMatches")->isEnabled());
    EXPECT_EQ(loads_, 1);
}

TEST_F(RuleTrialLineTest, MatchesButtonListsTheMatchesMadeSafe) {
    TfrmOptionsSubject dialog(boxes_, &owner_);
    dialog.show();
    Child<QComboBox>(dialog, "cbSubject")->setEditText("cheap");
    Settle();
    Child<QPushButton>(dialog, "btShowTrialMatches")->click();

    auto* matches = Child<QDialog>(dialog, "frmTrialMatches");
    EXPECT_TRUE(matches->isVisible());
    const QAbstractItemModel* model = Child<QTreeView>(*matches, "lvTrialMatches")->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Where from");
    EXPECT_EQ(model->index(0, 0).data().toString(), "Cheap pills [31m");
    EXPECT_EQ(model->index(0, 1).data().toString(), "promo@pills.example");
    EXPECT_EQ(model->index(0, 2).data().toString(), "Last listing");
    EXPECT_EQ(model->index(1, 0).data().toString(), "cheap PILLS");
    EXPECT_EQ(model->index(1, 2).data().toString(), "Deleted junk");
}

// Each dialog tries what its own fields say.
TEST_F(RuleTrialLineTest, EveryRuleDialogFollowsItsFields) {
    TfrmHeaders headers(boxes_, {"1) ann - server a.test"}, &owner_);
    headers.show();
    Child<QComboBox>(headers, "cbHeader")->setEditText("Reply-To:");
    EXPECT_EQ(Line(headers),
              "Matches 1 of 2 messages in the last listing and 0 of 1 deleted messages.");
    Child<QRadioButton>(headers, "rbSameTo")->setChecked(true);
    EXPECT_EQ(Line(headers),
              "Matches 0 of 2 messages in the last listing and 0 of 1 deleted messages.");

    TfrmOptionsFROM sender(boxes_, &owner_);
    sender.show();
    Child<QComboBox>(sender, "cbSender")->setEditText("pills.example");
    EXPECT_EQ(Line(sender),
              "Matches 1 of 2 messages in the last listing and 1 of 1 deleted messages.");
    Child<QComboBox>(sender, "cbKind")->setCurrentIndex(0);
    EXPECT_EQ(Line(sender),
              "Matches 0 of 2 messages in the last listing and 0 of 1 deleted messages.");

    TfrmAlwaysAccept exceptions(boxes_, &owner_);
    exceptions.show();
    Child<QLineEdit>(exceptions, "edAddress")->setText("bob@");
    EXPECT_EQ(Line(exceptions),
              "Matches 1 of 2 messages in the last listing and 0 of 1 deleted messages.");
    Child<QRadioButton>(exceptions, "rbDomain")->setChecked(true);
    Child<QLineEdit>(exceptions, "edDomain")->setText("pills.example");
    EXPECT_EQ(Line(exceptions),
              "Matches 1 of 2 messages in the last listing and 1 of 1 deleted messages.");
    EXPECT_EQ(loads_, 3);
}

TEST_F(RuleTrialLineTest, NoLineWithoutMessagesToTryOn) {
    TfrmOptionsSubject alone(boxes_);
    alone.show();
    Settle();
    EXPECT_FALSE(Child<QLabel>(alone, "lbRuleTrial")->isVisible());
    EXPECT_FALSE(Child<QPushButton>(alone, "btShowTrialMatches")->isVisible());

    QWidget empty;
    SetRuleTrialSource(empty,
                       [] { return std::make_shared<RuleTrial>(std::vector<TrialMessage>{}); });
    TfrmOptionsFROM sender(boxes_, &empty);
    sender.show();
    EXPECT_EQ(Line(sender), "There are no messages to try the rule on yet: check a mailbox first.");
}

}  // namespace
}  // namespace kelvane
