// The spam settings window over a program folder of the test's own.
#include "TfrmOptionsMain.h"

#include "KnownSpammers.h"
#include "ListTestHelpers.h"
#include "PermissionsObeyed.h"
#include "RecordingMessageBoxes.h"
#include "RuleTableModel.h"
#include "RuleTableOperations.h"
#include "RuleTablePrinting.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"
#include "SpamSettings.h"
#include "TempFolder.h"
#include "TfrmOptionsSubject.h"

#include <gmock/gmock.h>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QSpinBox>
#include <QSpontaneKeyEvent>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <filesystem>
#include <functional>
#include <stdexcept>

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::FileBytes;
using testsupport::WriteFileBytes;

class TfrmOptionsMainTest : public ::testing::Test {
  protected:
    TfrmOptionsMainTest() : store_(folder_.File("10.conf")), spam_(folder_.path().string()) {}

    // The window over the files the test wrote, opened as the program opens it.
    TfrmOptionsMain& open() {
        (void)spam_.readSettings();
        window_ = std::make_unique<TfrmOptionsMain>(spam_, known_, store_, boxes_,
                                                    folder_.path().string(), SpamWindowServices{});
        window_->open();
        return *window_;
    }

    template <typename T>
    T* child(const char* name) {
        T* found = window_->findChild<T*>(QLatin1String(name));
        if (!found) throw std::runtime_error(std::string("no widget named ") + name);
        return found;
    }
    RuleGridPage& page(RuleTableKind kind) { return window_->rulePage(kind); }
    RuleTable& table(RuleTableKind kind) { return spam_.table(kind); }
    QModelIndex cell(RuleTableKind kind, int row, int column) {
        return page(kind).model().index(row - 1, column);
    }
    void click(RuleTableKind kind, const char* button) {
        page(kind).findChild<QPushButton*>(QLatin1String(button))->click();
    }
    std::vector<std::string> matches(RuleTableKind kind) {
        std::vector<std::string> cells;
        const int column = kind == RuleTableKind::Sender ? 3 : 2;
        for (int row = 1; row < table(kind).rowCount(); ++row)
            cells.push_back(table(kind).cell(column, row));
        return cells;
    }
    void addSubjects(const std::vector<std::pair<std::string, std::string>>& rules) {
        for (const auto& [text, deletes] : rules) {
            AppendRule(table(RuleTableKind::Subject), {"", "Contains", text, "No", deletes, "0"});
        }
        (void)spam_.Savesettings(SaveMode::AsEdited);
    }

    testsupport::TempFolder folder_;
    SettingsStore store_;
    SpamSettings spam_;
    KnownSpammers known_;
    testsupport::RecordingMessageBoxes boxes_;
    std::unique_ptr<TfrmOptionsMain> window_;
};

TEST_F(TfrmOptionsMainTest, PagesComeInOrderWithTheSubjectPageFirst) {
    open();
    EXPECT_EQ(window_->windowTitle(), "Spam Settings");
    auto* pages = child<QTabWidget>("PageControl1");
    QStringList titles;
    for (int i = 0; i < pages->count(); ++i) titles << pages->tabText(i);
    EXPECT_EQ(titles, QStringList({"Subject", "Headers", "Sender", "Size", "Exceptions",
                                   "BlackList", "Valid Domains", "Deleted messages"}));
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(child<QLabel>("lblSubjectCount")->text(), "1");  // the placeholder
    EXPECT_EQ(page(RuleTableKind::Subject)
                  .model()
                  .headerData(2, Qt::Horizontal, Qt::DisplayRole)
                  .toString(),
              "Matches");
}

TEST_F(TfrmOptionsMainTest, GridCellsTakeOnlyMatchesAndCountsAndShowTheRulesKind) {
    addSubjects({{"free", "Yes"}, {"cash", "No"}});
    open();
    RuleTableModel& model = page(RuleTableKind::Subject).model();
    for (int column = 0; column < model.columnCount(); ++column) {
        const bool editable =
            model.flags(cell(RuleTableKind::Subject, 1, column)) & Qt::ItemIsEditable;
        EXPECT_EQ(editable, column == 2 || column == 5) << column;
    }
    EXPECT_FALSE(model.setData(cell(RuleTableKind::Subject, 1, 5), "-3", Qt::EditRole));
    EXPECT_FALSE(model.setData(cell(RuleTableKind::Subject, 1, 5), "4x", Qt::EditRole));
    EXPECT_TRUE(model.setData(cell(RuleTableKind::Subject, 1, 5), "12", Qt::EditRole));
    EXPECT_EQ(table(RuleTableKind::Subject).cell(5, 1), "12");
    EXPECT_FALSE(model.setData(cell(RuleTableKind::Subject, 1, 1), "Equals", Qt::EditRole));

    EXPECT_TRUE(cell(RuleTableKind::Subject, 1, 2).data(Qt::FontRole).value<QFont>().bold());
    EXPECT_EQ(cell(RuleTableKind::Subject, 2, 2).data(Qt::ForegroundRole).value<QBrush>().color(),
              QColor(Qt::blue));
    EXPECT_TRUE(cell(RuleTableKind::Subject, 1, 5).data(Qt::TextAlignmentRole).toInt() &
                Qt::AlignRight);
}

TEST_F(TfrmOptionsMainTest, HeadingsSortTheirColumnsAndTheArrowsMoveRules) {
    addSubjects({{"b", "Yes"}, {"C", "Yes"}, {"a", "Yes"}});
    open();
    QHeaderView* header = page(RuleTableKind::Subject).grid().horizontalHeader();
    emit header->sectionClicked(1);  // "What" does not sort
    EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("b", "C", "a"));
    emit header->sectionClicked(2);
    EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("a", "b", "C"));

    page(RuleTableKind::Subject).selectRow(3);
    click(RuleTableKind::Subject, "btUp");
    EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("a", "C", "b"));
    EXPECT_EQ(page(RuleTableKind::Subject).currentRow(), 2);
    page(RuleTableKind::Subject).selectRow(1);
    click(RuleTableKind::Subject, "btUp");
    EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("a", "C", "b"));
}

TEST_F(TfrmOptionsMainTest, CellsAreCopiedAndPastedOnlyWhereTypingIsAllowed) {
    addSubjects({{"free", "Yes"}, {"cash", "Yes"}});
    open();
    QTableView& grid = page(RuleTableKind::Subject).grid();
    grid.setCurrentIndex(cell(RuleTableKind::Subject, 1, 2));
    QTest::keySequence(&grid, QKeySequence::Copy);
    grid.setCurrentIndex(cell(RuleTableKind::Subject, 2, 2));
    QTest::keySequence(&grid, QKeySequence::Paste);
    EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("free", "free"));
    grid.setCurrentIndex(cell(RuleTableKind::Subject, 2, 5));
    QTest::keySequence(&grid, QKeySequence::Paste);  // not a count
    EXPECT_EQ(table(RuleTableKind::Subject).cell(5, 2), "0");
}

TEST_F(TfrmOptionsMainTest, DeleteKeyKeepsTheLastRuleWhichTheButtonEmpties) {
    addSubjects({{"a", "Yes"}, {"b", "Yes"}});
    open();
    QTableView& grid = page(RuleTableKind::Subject).grid();
    page(RuleTableKind::Subject).selectRow(1);
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("b"));
    QTest::keyClick(&grid, Qt::Key_Delete);
    EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("b"));
    click(RuleTableKind::Subject, "btDelete");
    EXPECT_TRUE(table(RuleTableKind::Subject).isEmpty());
    EXPECT_EQ(child<QLabel>("lblSubjectCount")->text(), "1");
}

TEST_F(TfrmOptionsMainTest, InsertFillsThePlaceholderAndEditNeedsARule) {
    open();
    click(RuleTableKind::Subject, "btEdit");
    EXPECT_THAT(boxes_.shown, ElementsAre("error: Error: nothing selected to edit"));
    click(RuleTableKind::Sender, "btEdit");
    EXPECT_EQ(boxes_.shown.back(), "information: Error: nothing selected to edit");

    windowtest::ModalWatcher<TfrmOptionsSubject> watcher([](TfrmOptionsSubject& dialog) {
        dialog.setFields({1, "lottery", false, true});
        dialog.accept();
    });
    click(RuleTableKind::Subject, "btInsert");
    EXPECT_EQ(watcher.seen(), 1);
    EXPECT_THAT(table(RuleTableKind::Subject).row(1),
                ElementsAre("", "Contains (whole word)", "lottery", "No", "Yes", "0"));
    EXPECT_EQ(table(RuleTableKind::Subject).rowCount(), 2);
    EXPECT_EQ(child<QLabel>("lblSubjectCount")->text(), "1");
}

TEST_F(TfrmOptionsMainTest, OkSavesWithoutAdjacentDuplicatesAndCancelReadsTheFilesBack) {
    addSubjects({{"free", "Yes"}});
    open();
    AppendRule(table(RuleTableKind::Subject), {"", "Contains", "free", "No", "Yes", "0"});
    AppendRule(table(RuleTableKind::Subject), {"", "Contains", "cash", "No", "Yes", "0"});
    child<QCheckBox>("cbLarger")->setChecked(true);
    child<QSpinBox>("nLarger")->setValue(40000);
    child<QPushButton>("btOK")->click();
    EXPECT_FALSE(window_->isVisible());
    EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("free", "cash"));
    const std::string file = FileBytes(spam_.filePath(RuleTableKind::Subject));
    EXPECT_THAT(file, HasSubstr("cash"));
    EXPECT_TRUE(spam_.options().largerOn);
    EXPECT_THAT(FileBytes(spam_.optionsPath()), HasSubstr("40000"));

    window_->open();
    AppendRule(table(RuleTableKind::Subject), {"", "Contains", "typed", "No", "Yes", "0"});
    child<QSpinBox>("nLarger")->setValue(5);
    child<QPushButton>("btCancel")->click();
    EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("free", "cash"));
    EXPECT_EQ(spam_.options().largerLimit, 40000);
    EXPECT_EQ(FileBytes(spam_.filePath(RuleTableKind::Subject)), file);
}

TEST_F(TfrmOptionsMainTest, ImportAddsKeywordsAndAddressesAndSaves) {
    open();
    page(RuleTableKind::Subject).setLinesAsker([](const QString& title) {
        EXPECT_EQ(title, "Import spam keywords");
        return std::optional<std::vector<std::string>>({"free", "cash", "", "free"});
    });
    page(RuleTableKind::Exceptions).setLinesAsker([](const QString& title) {
        EXPECT_EQ(title, "Import e-mail addresses");
        return std::optional<std::vector<std::string>>({" ann@friends.test "});
    });
    click(RuleTableKind::Subject, "btImport");
    click(RuleTableKind::Exceptions, "btImport");
    EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("free", "cash", "free"));
    EXPECT_THAT(table(RuleTableKind::Subject).row(1),
                ElementsAre("", "Contains (whole word)", "free", "No", "Yes", "0"));
    EXPECT_THAT(table(RuleTableKind::Exceptions).row(1),
                ElementsAre("E-mail address", "Equals", "ann@friends.test", "No", "0", "", "3"));
    EXPECT_EQ(child<QLabel>("lblSubjectCount")->text(), "3");
    EXPECT_THAT(FileBytes(spam_.filePath(RuleTableKind::Exceptions)),
                HasSubstr("ann@friends.test"));
}

TEST_F(TfrmOptionsMainTest, KnownSpammerListIsEditedSavedAndCancelled) {
    const std::string path = folder_.File("known.lst");
    WriteFileBytes(path, "zz.test\r\nbulk.test\r\n");
    open();
    auto* memo = child<QPlainTextEdit>("memo1");
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_FALSE(child<QPushButton>("btSaveKnown")->isEnabled());

    child<QPushButton>("btEditKnown")->click();
    EXPECT_FALSE(memo->isReadOnly());
    memo->setPlainText("zz.test\nBulk.test\nbulk.test\n123_4@x.test\nlast.test");
    child<QPushButton>("btCancelKnown")->click();
    EXPECT_EQ(memo->toPlainText(), "zz.test\nbulk.test\n");
    EXPECT_EQ(child<QLabel>("lblSpamCount")->text(), "2");

    child<QPushButton>("btEditKnown")->click();
    memo->setPlainText("zz.test\nBulk.test\nbulk.test\n123_4@x.test\nlast.test");
    child<QPushButton>("btSaveKnown")->click();
    EXPECT_EQ(FileBytes(path), "Bulk.test\r\nlast.test\r\nzz.test\r\n");
    EXPECT_THAT(known_.entries(), ElementsAre("Bulk.test", "last.test", "zz.test"));
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(child<QLabel>("lblSpamCount")->text(), "3");

    // OK while the list is being edited saves it as "&Save" does.
    child<QPushButton>("btEditKnown")->click();
    memo->setPlainText("new.test\n");
    child<QPushButton>("btOK")->click();
    EXPECT_EQ(FileBytes(path), "new.test\r\n");
}

TEST_F(TfrmOptionsMainTest, MissingKnownSpammerListCannotBeEdited) {
    open();
    EXPECT_EQ(child<QLabel>("pnlKnown")->text(), "Could not locate the known spammer blacklist!");
    EXPECT_FALSE(child<QPushButton>("btEditKnown")->isVisible());
}

TEST_F(TfrmOptionsMainTest, UnknownDomainCounterResetsOnlyWhenConfirmed) {
    spam_.options().unknownDomainCount = "7";
    (void)spam_.Savesettings(SaveMode::AsEdited);
    open();
    window_->selectPage(TfrmOptionsMain::Page::ValidDomains);
    EXPECT_EQ(child<QLabel>("edUnknown")->text(), "7");
    boxes_.answers = {false, true};
    child<QPushButton>("btResetUnknown")->click();
    EXPECT_EQ(child<QLabel>("edUnknown")->text(), "7");
    child<QPushButton>("btResetUnknown")->click();
    EXPECT_EQ(child<QLabel>("edUnknown")->text(), "0");
    EXPECT_THAT(boxes_.shown, ElementsAre("confirm: Really clear out unknown count?",
                                          "confirm: Really clear out unknown count?"));
    child<QCheckBox>("cbValid")->setChecked(false);
    EXPECT_FALSE(child<QWidget>("pnlValid")->isVisible());
}

// The limits of the deleted messages kept: the defaults on a first start, then the options as
// stored, saved by OK in the file's units (KiB, MB) and read back from the file by Cancel.
TEST_F(TfrmOptionsMainTest, DeletedMessageLimitsLoadAndSaveWithTheOtherOptions) {
    open();
    EXPECT_TRUE(child<QCheckBox>("chKeepDeleted")->isChecked());
    EXPECT_EQ(child<QSpinBox>("spKeepDays")->value(), 30);
    EXPECT_EQ(child<QSpinBox>("spKeepWholeKiB")->value(), 1024);
    EXPECT_EQ(child<QSpinBox>("spKeepTotalMB")->value(), 200);
    window_->reject();

    spam_.options().quarantine = {
        .keep = false, .days = 7, .wholeLimit = 2048 * 1024, .totalBytes = 300'000'000};
    (void)spam_.Savesettings(SaveMode::AsEdited);
    open();
    window_->selectPage(TfrmOptionsMain::Page::DeletedMessages);
    auto* keep = child<QCheckBox>("chKeepDeleted");
    auto* days = child<QSpinBox>("spKeepDays");
    auto* whole = child<QSpinBox>("spKeepWholeKiB");
    auto* total = child<QSpinBox>("spKeepTotalMB");
    EXPECT_FALSE(keep->isChecked());
    EXPECT_EQ(days->value(), 7);
    EXPECT_EQ(whole->value(), 2048);
    EXPECT_EQ(total->value(), 300);
    days->setValue(0);
    EXPECT_EQ(days->value(), 1) << "a day at least";
    days->setValue(QuarantineLimits::kMostDays + 1);
    EXPECT_EQ(days->value(), QuarantineLimits::kMostDays);

    keep->setChecked(true);
    days->setValue(45);
    whole->setValue(512);
    total->setValue(1000);
    child<QPushButton>("btOK")->click();
    const QuarantineLimits saved{
        .keep = true, .days = 45, .wholeLimit = 512 * 1024, .totalBytes = 1'000'000'000};
    EXPECT_EQ(spam_.options().quarantine, saved);
    SpamSettings stored(folder_.path().string());
    ASSERT_TRUE(stored.readSettings().empty());
    EXPECT_EQ(stored.options().quarantine, saved);
    EXPECT_THAT(FileBytes(spam_.optionsPath()), HasSubstr("Whole=512"));

    window_->open();
    EXPECT_EQ(days->value(), 45);
    days->setValue(3);
    keep->setChecked(false);
    child<QPushButton>("btCancel")->click();
    EXPECT_EQ(spam_.options().quarantine, saved);
}

// Only the program's own opening loads the window: a show the window system sends, such as the
// restore of a minimised window, keeps everything the user has not saved yet.
TEST_F(TfrmOptionsMainTest, ShowsKeepUnsavedEditsAndOnlyOpeningLoads) {
    addSubjects({{"free", "Yes"}});
    spam_.options().unknownDomainCount = "7";
    (void)spam_.Savesettings(SaveMode::AsEdited);
    const std::string known = folder_.File("known.lst");
    WriteFileBytes(known, "disk.test\r\n");
    open();
    RuleGridPage& subjects = page(RuleTableKind::Subject);
    subjects.selectRow(1);
    ASSERT_TRUE(
        subjects.model().setData(cell(RuleTableKind::Subject, 1, 2), "edited", Qt::EditRole));
    child<QSpinBox>("nLarger")->setValue(777);
    child<QPushButton>("btEditKnown")->click();
    auto* memo = child<QPlainTextEdit>("memo1");
    memo->setPlainText("typed.test\n");
    boxes_.answers = {true};
    child<QPushButton>("btResetUnknown")->click();

    window_->hide();
    window_->show();
    QShowEvent restored;
    QSpontaneKeyEvent::setSpontaneous(&restored);
    QApplication::sendEvent(window_.get(), &restored);

    EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("edited"));
    EXPECT_EQ(subjects.currentRow(), 1);
    EXPECT_EQ(child<QSpinBox>("nLarger")->value(), 777);
    EXPECT_EQ(memo->toPlainText(), "typed.test\n");
    EXPECT_FALSE(memo->isReadOnly());
    EXPECT_TRUE(child<QPushButton>("btSaveKnown")->isEnabled());
    EXPECT_EQ(child<QLabel>("edUnknown")->text(), "0");

    // Cancelled, then opened again by the program: what the files hold.
    child<QPushButton>("btCancel")->click();
    WriteFileBytes(known, "changed.test\r\n");
    windowtest::ModalWatcher<TfrmOptionsMain> reopened([&](TfrmOptionsMain& window) {
        EXPECT_EQ(memo->toPlainText(), "changed.test\n");
        EXPECT_TRUE(memo->isReadOnly());
        EXPECT_EQ(child<QLabel>("edUnknown")->text(), "7");
        EXPECT_EQ(child<QSpinBox>("nLarger")->value(), SpamOptions().largerLimit);
        EXPECT_THAT(matches(RuleTableKind::Subject), ElementsAre("free"));
        window.reject();
    });
    window_->exec();
    EXPECT_EQ(reopened.seen(), 1);
}

// Checks here or by the command-line companion raise the stored count while the window is open;
// neither OK nor an import may write an older count over theirs. Only a reset the user
// confirmed with OK clears it.
TEST_F(TfrmOptionsMainTest, UnknownDomainCounterKeepsWhatOthersCountMeanwhile) {
    struct Case {
        const char* name;
        bool reset;
        std::vector<const char*> buttons;  // "import" is the Subject page's
        const char* stored;
    };
    const Case cases[] = {
        {"ok", false, {"btOK"}, "9"},
        {"import", false, {"import"}, "9"},
        {"reset-then-ok", true, {"btOK"}, "0"},
        {"reset-waits-for-ok-over-an-import", true, {"import"}, "9"},
        {"reset-import-ok", true, {"import", "btOK"}, "0"},
        {"reset-then-cancel", true, {"btCancel"}, "9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        spam_.options().unknownDomainCount = "7";
        (void)spam_.Savesettings(SaveMode::AsEdited);
        open();
        page(RuleTableKind::Subject).setLinesAsker([](const QString&) {
            return std::optional<std::vector<std::string>>({"cash"});
        });
        if (c.reset) child<QPushButton>("btResetUnknown")->click();

        SpamSettings check(folder_.path().string());
        ASSERT_TRUE(check.readSettings().empty());
        bumpUnknown(check.options());
        bumpUnknown(check.options());
        ASSERT_TRUE(check.Savesettings().empty());

        for (const char* button : c.buttons) {
            if (std::string_view(button) == "import")
                click(RuleTableKind::Subject, "btImport");
            else
                child<QPushButton>(button)->click();
        }
        SpamSettings stored(folder_.path().string());
        ASSERT_TRUE(stored.readSettings().empty());
        EXPECT_EQ(stored.options().unknownDomainCount, c.stored);
    }
}

// Bytes the editor cannot show (a Latin-1 line) stay exactly as they were, whether the list is
// left alone or another line is edited.
TEST_F(TfrmOptionsMainTest, KnownSpammerListKeepsLinesItCannotShowByteExact) {
    const std::string path = folder_.File("known.lst");
    const std::string file = "bulk.test\r\ncaf\xE9.test\r\nzz.test\r\n";
    WriteFileBytes(path, file);
    open();
    auto* memo = child<QPlainTextEdit>("memo1");
    EXPECT_EQ(memo->toPlainText(), QString::fromUtf8("bulk.test\ncaf\xEF\xBF\xBD.test\nzz.test\n"));
    child<QPushButton>("btOK")->click();
    EXPECT_EQ(FileBytes(path), file);

    window_->open();
    child<QPushButton>("btEditKnown")->click();
    child<QPushButton>("btOK")->click();
    EXPECT_EQ(FileBytes(path), file) << "nothing was edited";

    window_->open();
    child<QPushButton>("btEditKnown")->click();
    memo->setPlainText(memo->toPlainText().replace("zz.test", "new.test"));
    child<QPushButton>("btSaveKnown")->click();
    EXPECT_EQ(FileBytes(path), "bulk.test\r\ncaf\xE9.test\r\nnew.test\r\n");
    EXPECT_TRUE(known_.Contains("caf\xE9.test"));
    EXPECT_TRUE(boxes_.shown.empty());
}

// A list that cannot be written says why and keeps the user's edits shown and editable.
TEST_F(TfrmOptionsMainTest, KnownSpammerListThatCannotBeWrittenKeepsTheEdits) {
    namespace fs = std::filesystem;
    const std::string path = folder_.File("known.lst");
    struct Case {
        const char* name;
        std::function<void()> spoil;
        const char* reason;
    };
    const Case cases[] = {
        {"directory-in-its-place",
         [&] {
             fs::remove(path);
             fs::create_directory(path);
         },
         "Is a directory"},
        {"read-only-file", [&] { fs::permissions(path, fs::perms::owner_read); },
         "Permission denied"},
        {"read-only-folder",
         [&] { fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec); },
         "Permission denied"},
    };
    // Undoes the spoiling, so that the next case starts from a writable list.
    const auto restore = [&] {
        fs::permissions(folder_.path(), fs::perms::owner_all);
        if (fs::is_directory(path)) fs::remove(path);
        if (fs::exists(path)) fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileBytes(path, "old.test\r\n");
        open();
        child<QPushButton>("btEditKnown")->click();
        auto* memo = child<QPlainTextEdit>("memo1");
        memo->setPlainText("typed.test\n");
        boxes_.shown.clear();
        c.spoil();
        bool saved = false;
        {
            const testsupport::PermissionsObeyed obeyed;
            if (obeyed.obeyed()) {
                child<QPushButton>("btSaveKnown")->click();
                saved = true;
            }
        }
        if (saved) {
            EXPECT_THAT(boxes_.shown,
                        ElementsAre("error: Could not write " + path + ": " + c.reason));
            EXPECT_EQ(memo->toPlainText(), "typed.test\n");
            EXPECT_FALSE(memo->isReadOnly());
            EXPECT_TRUE(child<QPushButton>("btSaveKnown")->isEnabled());
            EXPECT_FALSE(child<QLabel>("pnlKnown")->isVisible());
        }
        // OK saves the rules but stays open over the list's edits.
        if (fs::is_directory(path)) {
            boxes_.shown.clear();
            child<QPushButton>("btOK")->click();
            EXPECT_THAT(boxes_.shown, ElementsAre(HasSubstr(c.reason)));
            EXPECT_TRUE(window_->isVisible());
            EXPECT_EQ(memo->toPlainText(), "typed.test\n");
        }
        restore();
    }
}

// "&Delete" with no current row deletes nothing and says so as "&Edit" does.
TEST_F(TfrmOptionsMainTest, DeleteWithoutACurrentRowDeletesNothingAndSaysSo) {
    struct Case {
        RuleTableKind kind;
        RuleRow rule;
        const char* box;
    };
    const Case cases[] = {
        {RuleTableKind::Subject, {"", "Contains", "free", "No", "Yes", "0"}, "error"},
        {RuleTableKind::Header, {"", "Contains", "X-Bulk", "No", "Yes", "0"}, "error"},
        {RuleTableKind::Sender,
         {"", "E-mail address", "Equals", "a@junk.test", "Yes", "0"},
         "information"},
        {RuleTableKind::Exceptions, ExceptionAddressRule("mum@home.test"), "error"},
    };
    for (const Case& c : cases) {
        AppendRule(table(c.kind), c.rule);
        AppendRule(table(c.kind), c.rule);
    }
    (void)spam_.Savesettings(SaveMode::AsEdited);
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        ASSERT_EQ(page(c.kind).currentRow(), 0);
        boxes_.shown.clear();
        click(c.kind, "btDelete");
        EXPECT_EQ(table(c.kind).rowCount(), 3);
        EXPECT_EQ(table(c.kind).row(1), c.rule);
        EXPECT_THAT(boxes_.shown,
                    ElementsAre(std::string(c.box) + ": Error: nothing selected to edit"));
    }
}

TEST_F(TfrmOptionsMainTest, PrintWritesTheTableToAPdfFile) {
    addSubjects({{"free", "Yes"}});
    open();
    const std::string pdf = folder_.File("subjects.pdf");
    page(RuleTableKind::Subject).setPrintAsker([&pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    });
    click(RuleTableKind::Subject, "btPrint");
    EXPECT_EQ(FileBytes(pdf).substr(0, 5), "%PDF-");

    // The heading row goes to the printer as the headings, the rules as its rows.
    const PrintedTable printed = PrintedRuleTable(table(RuleTableKind::Subject));
    EXPECT_TRUE(PrintedLine(printed, kHeadingsLine).contains("Matches"));
    EXPECT_EQ(printed.rowCount, 1);
    EXPECT_TRUE(PrintedLine(printed, 0).contains("free"));
}

TEST_F(TfrmOptionsMainTest, ColumnWidthsAreKeptInTheSettingsStore) {
    open();
    page(RuleTableKind::Sender).grid().setColumnWidth(3, 321);
    window_->saveColumnWidths();
    EXPECT_EQ(store_.ReadInteger(settingkeys::SenderColumnWidth, 3), 321);
}

}  // namespace
}  // namespace kelvane
