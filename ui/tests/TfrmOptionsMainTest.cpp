// The spam settings window over a program folder of the test's own.
#include "TfrmOptionsMain.h"

#include "KnownSpammers.h"
#include "ListTestHelpers.h"
#include "RecordingMessageBoxes.h"
#include "RuleTableModel.h"
#include "RuleTableOperations.h"
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
#include <QTabWidget>
#include <QTableView>
#include <QTest>
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

    // The window over the files the test wrote, shown.
    TfrmOptionsMain& open() {
        (void)spam_.readSettings();
        window_ = std::make_unique<TfrmOptionsMain>(spam_, known_, store_, boxes_,
                                                    folder_.path().string(), SpamWindowServices{});
        window_->show();
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
                                   "BlackList", "Valid Domains"}));
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

    window_->show();
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
}

TEST_F(TfrmOptionsMainTest, ColumnWidthsAreKeptInTheSettingsStore) {
    open();
    page(RuleTableKind::Sender).grid().setColumnWidth(3, 321);
    window_->saveColumnWidths();
    EXPECT_EQ(store_.ReadInteger(settingkeys::SenderColumnWidth, 3), 321);
}

}  // namespace
}  // namespace kelvane
