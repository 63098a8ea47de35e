// The Deleted junk window over a quarantine of the test's own: its list, filter and panes, and
// its commands by their names.
#include "TfrmDeletedJunk.h"

#include <gmock/gmock.h>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <filesystem>
#include <stdexcept>

#include "CommandGate.h"
#include "DeletedJunkActions.h"
#include "DeletedJunkModel.h"
#include "GatedConnect.h"
#include "KeptMessageFile.h"
#include "Quarantine.h"
#include "RecordingMessageBoxes.h"
#include "RuleTable.h"
#include "SpamSettings.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::FileBytes;

constexpr long long kNow = 1797000000;

const std::string kInvoice =
    "From: Billing <billing@shop.example>\r\nSubject: Invoice 42\r\n"
    "Content-Type: text/plain; charset=utf-8\r\n\r\nYour invoice is attached.\r\n";
const std::string kFriend =
    "From: ann@friends.example\r\nSubject: Lunch?\r\n\r\nSee you at noon.\r\n";
const std::string kPills = "From: x@pills.example\r\nSubject: Cheap pills\r\n\r\nBuy now.\r\n";

class TfrmDeletedJunkTest : public ::testing::Test {
  protected:
    TfrmDeletedJunkTest() : quarantine_(QuarantineFolder(temp_.path().string())) {
        (void)spam_.readSettings();
        keep("Cheap pills", "x@pills.example", 1, kNow - 300, kPills);
        keep("Invoice 42", "billing@shop.example", 2, kNow - 200, kInvoice);
        keep("Lunch?", "ann@friends.example", 1, kNow - 100, kFriend);
        services_.chooseRestoreFile = [this](const std::string& suggested) {
            suggested_.push_back(suggested);
            return restoreTo_;
        };
        services_.mailProgram = [this] { return mailProgram_; };
        services_.startProgram = [this](const std::vector<std::string>& command) {
            started_.push_back(command);
            return startWorks_;
        };
    }

    std::string keep(const std::string& subject, const std::string& sender, int mailbox,
                     long long when, const std::string& message,
                     QuarantineLimits limits = QuarantineLimits()) {
        KeptMessage kept;
        kept.deletedAt = when;
        kept.mailbox = mailbox;
        kept.user = mailbox == 1 ? "ann" : "bob";
        kept.server = mailbox == 1 ? "pop.one.example" : "pop.two.example";
        kept.subject = subject;
        kept.sender = sender;
        kept.size = std::to_string(message.size());
        kept.date = "12/11/2026 10:55 AM";
        kept.mark = kCheckMark;
        kept.reasons = {"Subject rule 1 matched: " + subject};
        return quarantine_.Keep(kept, message, limits);
    }

    TfrmDeletedJunk& open() {
        window_ = std::make_unique<TfrmDeletedJunk>(quarantine_, spam_, gate_, boxes_, services_);
        window_->show();
        return *window_;
    }

    template <typename T>
    T* child(const char* name) {
        T* found = window_->findChild<T*>(QLatin1String(name));
        if (!found) throw std::runtime_error(std::string("no widget named ") + name);
        return found;
    }
    QTreeView* list() { return child<QTreeView>("lvDeleted"); }
    int rows() { return list()->model()->rowCount(); }
    QString cell(int row, int column) {
        return list()->model()->index(row, column).data().toString();
    }
    // Selects the listed message with this subject.
    void select(const QString& subject) {
        for (int row = 0; row < rows(); ++row) {
            if (cell(row, DeletedJunkModel::kSubject) == subject) {
                list()->setCurrentIndex(list()->model()->index(row, 0));
                return;
            }
        }
        throw std::runtime_error("not listed: " + subject.toStdString());
    }
    void click(const char* name) { child<QPushButton>(name)->click(); }
    QString pane(const char* name) { return child<QPlainTextEdit>(name)->toPlainText(); }
    std::string exceptionsFile() { return FileBytes(spam_.filePath(RuleTableKind::Exceptions)); }

    testsupport::TempFolder temp_;
    Quarantine quarantine_;
    SpamSettings spam_{temp_.path().string()};
    CommandGate gate_;
    testsupport::RecordingMessageBoxes boxes_;
    DeletedJunkServices services_;
    std::optional<std::string> restoreTo_;
    std::vector<std::string> suggested_;
    std::string mailProgram_;
    bool startWorks_ = true;
    std::vector<std::vector<std::string>> started_;
    std::unique_ptr<TfrmDeletedJunk> window_;
};

TEST_F(TfrmDeletedJunkTest, ListsNewestFirstWithTheMailboxAndTheTimeOfDeletion) {
    TfrmDeletedJunk& window = open();
    EXPECT_EQ(window.windowTitle(), "Deleted junk");
    ASSERT_EQ(rows(), 3);
    EXPECT_EQ(cell(0, DeletedJunkModel::kSubject), "Lunch?");
    EXPECT_EQ(cell(1, DeletedJunkModel::kSubject), "Invoice 42");
    EXPECT_EQ(cell(2, DeletedJunkModel::kSubject), "Cheap pills");
    EXPECT_EQ(cell(1, DeletedJunkModel::kSender), "billing@shop.example");
    EXPECT_EQ(cell(1, DeletedJunkModel::kSize), QString::number(kInvoice.size()));
    EXPECT_EQ(cell(1, DeletedJunkModel::kDate), "12/11/2026 10:55 AM");
    EXPECT_EQ(cell(1, DeletedJunkModel::kMailbox), "2) bob - server pop.two.example");
    EXPECT_EQ(cell(1, DeletedJunkModel::kDeleted), window.model().deletedText(kNow - 200));
    EXPECT_THAT(window.model().deletedText(kNow - 200).toStdString(), HasSubstr("2026"));
    EXPECT_FALSE(list()->model()->index(0, 0).data(Qt::DecorationRole).isNull());
    EXPECT_EQ(child<QLabel>("lblCount")->text(), "3 deleted messages");

    // A message kept since the window was last shown is there when it is shown again.
    window.hide();
    keep("Later", "late@x.example", 1, kNow, "From: late@x.example\r\n\r\n");
    window.show();
    EXPECT_EQ(rows(), 4);
    EXPECT_EQ(cell(0, DeletedJunkModel::kSubject), "Later");
}

TEST_F(TfrmDeletedJunkTest, ThePanesShowWhyItWasMarkedItsHeadersAndItsBody) {
    open();
    select("Invoice 42");
    EXPECT_EQ(pane("memoReasons"), "Subject rule 1 matched: Invoice 42");
    EXPECT_EQ(pane("memoHeaders"),
              "From: Billing <billing@shop.example>\nSubject: Invoice 42\n"
              "Content-Type: text/plain; charset=utf-8");
    EXPECT_THAT(pane("memoBody").toStdString(), HasSubstr("Your invoice is attached."));
    EXPECT_FALSE(child<QLabel>("lblPartial")->isVisible());
}

TEST_F(TfrmDeletedJunkTest, TheFilterNarrowsTheListOverEveryColumn) {
    open();
    QLineEdit* filter = child<QLineEdit>("edFilter");
    const struct {
        const char* typed;
        std::vector<QString> subjects;
    } cases[] = {
        {"invoice", {"Invoice 42"}},
        {"FRIENDS.example", {"Lunch?"}},
        {"pop.one", {"Lunch?", "Cheap pills"}},
        {"nothing like it", {}},
        {"", {"Lunch?", "Invoice 42", "Cheap pills"}},
    };
    for (const auto& c : cases) {
        filter->clear();
        QTest::keyClicks(filter, QString::fromUtf8(c.typed));
        std::vector<QString> shown;
        for (int row = 0; row < rows(); ++row) shown.push_back(cell(row, 0));
        EXPECT_EQ(shown, c.subjects) << c.typed;
    }
    QTest::keyClicks(filter, "pop.one");
    EXPECT_EQ(child<QLabel>("lblCount")->text(), "2 of 3 deleted messages");
    // The commands act on what is selected among the rows shown.
    select("Cheap pills");
    EXPECT_EQ(pane("memoReasons"), "Subject rule 1 matched: Cheap pills");
}

// Byte for byte into a new file, never over an existing one.
TEST_F(TfrmDeletedJunkTest, RestoreWritesTheKeptBytesAndNeverReplacesAFile) {
    open();
    select("Invoice 42");
    restoreTo_ = temp_.File("restored.eml");
    click("btRestore");
    EXPECT_THAT(suggested_, ElementsAre("Invoice 42.eml"));
    EXPECT_EQ(FileBytes(*restoreTo_), kInvoice);
    EXPECT_THAT(boxes_.shown, ElementsAre());
    EXPECT_THAT(child<QLabel>("lblStatus")->text().toStdString(), HasSubstr("restored.eml"));
    EXPECT_EQ(rows(), 3) << "the message stays kept";

    select("Lunch?");
    click("btRestore");
    EXPECT_EQ(FileBytes(*restoreTo_), kInvoice);
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_THAT(boxes_.shown[0], HasSubstr("already exists"));

    // Cancelled: nothing written, nothing said.
    restoreTo_.reset();
    click("btRestore");
    EXPECT_EQ(boxes_.shown.size(), 1u);

    restoreTo_ = temp_.File("no such folder/x.eml");
    click("btRestore");
    ASSERT_EQ(boxes_.shown.size(), 2u);
    EXPECT_THAT(boxes_.shown[1], HasSubstr("error: Could not write"));
}

TEST_F(TfrmDeletedJunkTest, ARestoredMessageKeptInPartSaysSo) {
    QuarantineLimits small;
    small.wholeLimit = 100;
    const std::string large =
        "From: big@x.example\r\nSubject: Big\r\n\r\n" + std::string(kBodyKeptOfLarge + 5000, 'b');
    keep("Big", "big@x.example", 1, kNow, large, small);
    open();
    select("Big");
    EXPECT_TRUE(child<QLabel>("lblPartial")->isVisible());
    restoreTo_ = temp_.File("big.eml");
    click("btRestore");
    EXPECT_EQ(FileBytes(*restoreTo_), std::string(KeptPart(large, 100)));
    const KeptMessage kept = *window_->model().message(0);
    EXPECT_THAT(boxes_.shown, ElementsAre("information: " + PartlyKeptText(kept)));
}

TEST_F(TfrmDeletedJunkTest, WithAMailProgramSetTheRestoredFileOpensInIt) {
    mailProgram_ = "/nowhere/mailer --open";
    open();
    select("Lunch?");
    restoreTo_ = temp_.File("lunch.eml");
    click("btRestore");
    EXPECT_THAT(started_, ElementsAre(ElementsAre("/nowhere/mailer", "--open", *restoreTo_)));
    EXPECT_THAT(boxes_.shown, ElementsAre());

    startWorks_ = false;
    restoreTo_ = temp_.File("lunch again.eml");
    click("btRestore");
    EXPECT_EQ(FileBytes(*restoreTo_), kFriend) << "the file stays when the program fails";
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_THAT(boxes_.shown[0], HasSubstr("error: Unable to launch mail program."));
    EXPECT_THAT(boxes_.shown[0], HasSubstr("lunch again.eml"));
}

TEST_F(TfrmDeletedJunkTest, NeverMarkSenderAddsOneExceptionRowAndSavesIt) {
    open();
    select("Invoice 42");
    click("btNeverMarkSender");
    const RuleTable& exceptions = spam_.exceptions();
    ASSERT_EQ(exceptions.rowCount(), 2);
    EXPECT_EQ(exceptions.cell(2, 1), "billing@shop.example");
    EXPECT_THAT(exceptionsFile(), HasSubstr("billing@shop.example"));
    EXPECT_THAT(boxes_.shown, ElementsAre());

    const std::string saved = exceptionsFile();
    click("btNeverMarkSender");
    EXPECT_EQ(exceptions.rowCount(), 2);
    EXPECT_EQ(exceptionsFile(), saved);
    EXPECT_THAT(boxes_.shown,
                ElementsAre("information: billing@shop.example is on the exceptions list "
                            "already."));

    select("Lunch?");
    click("btNeverMarkSender");
    EXPECT_EQ(exceptions.rowCount(), 3);
}

TEST_F(TfrmDeletedJunkTest, RemoveNowAsksFirstThenRemovesForGood) {
    open();
    select("Invoice 42");
    const std::string id = window_->model().message(1)->id;
    boxes_.answers = {false};
    click("btRemoveNow");
    EXPECT_EQ(rows(), 3);
    EXPECT_TRUE(quarantine_.Find(id).has_value());

    click("btRemoveNow");
    EXPECT_EQ(rows(), 2);
    EXPECT_FALSE(quarantine_.Find(id).has_value());
    EXPECT_THAT(boxes_.shown,
                ElementsAre(HasSubstr("confirm: Remove the deleted message \"Invoice 42\""),
                            HasSubstr("confirm: Remove")));

    // Removed by another program meanwhile: said, not an error.
    select("Lunch?");
    ASSERT_TRUE(quarantine_.Forget(window_->model().message(0)->id));
    click("btRemoveNow");
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(child<QLabel>("lblStatus")->text(), "It had been removed already");
}

// Subjects, senders, reasons and headers come from outside: controls never reach the screen.
TEST_F(TfrmDeletedJunkTest, AHostileMessageIsShownMadeSafe) {
    const std::string subject = "Win\x1b[2J\r\nNOW\x07\xC2\x9B\xFF";
    KeptMessage kept;
    kept.deletedAt = kNow;
    kept.mailbox = 1;
    kept.subject = subject;
    kept.sender = "evil\x1b]0;title\x07@x.example";
    kept.reasons = {"Subject rule 1 matched: " + subject};
    quarantine_.Keep(kept, "From: evil\x1b[31m@x.example\r\nSubject: x\r\n\r\nbody\x1b[0m\r\n",
                     QuarantineLimits());
    open();
    const QString shown = cell(0, DeletedJunkModel::kSubject);
    EXPECT_EQ(shown, QString::fromUtf8("Win [2J  NOW  \xEF\xBF\xBD"));
    EXPECT_EQ(cell(0, DeletedJunkModel::kSender), "evil ]0;title @x.example");
    select(shown);
    for (const char* name : {"memoReasons", "memoHeaders", "memoBody"}) {
        const QString text = pane(name);
        for (const QChar c : text) {
            EXPECT_TRUE(c == QLatin1Char('\n') || (c.unicode() >= 0x20 && c.unicode() != 0x7F &&
                                                   (c.unicode() < 0x80 || c.unicode() > 0x9F)))
                << name << " shows U+" << std::hex << static_cast<int>(c.unicode());
        }
    }
    EXPECT_THAT(pane("memoHeaders").toStdString(), HasSubstr("From: evil [31m@x.example"));
    boxes_.answers = {false};
    click("btRemoveNow");
    EXPECT_THAT(boxes_.shown, ElementsAre(HasSubstr("Win [2J  NOW")));
}

// The commands are the gate's: a run on the stack holds them off, and nothing changes.
TEST_F(TfrmDeletedJunkTest, TheCommandsGoThroughTheGate) {
    bool running = false;
    gate_.setRunProbe([&] { return running; });
    std::vector<std::string> refused;
    gate_.setRefusalShower([&](Command command, Blocker blocker) {
        refused.push_back(std::string(CommandName(command)) + " " + RefusalText(blocker));
    });
    open();
    for (const char* name : {"btRestore", "btNeverMarkSender", "btRemoveNow"})
        EXPECT_FALSE(GatedCommandOf(child<QPushButton>(name)).isEmpty()) << name;
    select("Invoice 42");
    running = true;
    restoreTo_ = temp_.File("held.eml");
    for (const char* name : {"btRestore", "btNeverMarkSender", "btRemoveNow"}) click(name);
    EXPECT_EQ(refused.size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(*restoreTo_));
    EXPECT_TRUE(spam_.exceptions().isEmpty());
    EXPECT_EQ(rows(), 3);
    EXPECT_THAT(boxes_.shown, ElementsAre());
}

}  // namespace
}  // namespace kelvane
