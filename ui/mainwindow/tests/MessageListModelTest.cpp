#include "MessageListModel.h"

#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace kelvane {
namespace {

// Qt's own checker of model behaviour: its complaints go to the test as failures.
class ModelComplaints {
  public:
    ModelComplaints() { previous_ = qInstallMessageHandler(&ModelComplaints::Note); }
    ~ModelComplaints() { qInstallMessageHandler(previous_); }
    ModelComplaints(const ModelComplaints&) = delete;
    ModelComplaints& operator=(const ModelComplaints&) = delete;

  private:
    static void Note(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg) ADD_FAILURE() << text.toStdString();
    }
    QtMessageHandler previous_ = nullptr;
};

// The model over rows that change the way a run changes them: the rows first, then the news.
class MessageListModelTest : public ::testing::Test {
  protected:
    MessageListModelTest() { model.setRows(&rows); }

    void Append(const std::string& subject, MarkState mark = kNoMark) {
        rows.push_back({subject, "ann@example.org", "100", "3/14/2000", mark});
        model.rowAppended(static_cast<int>(rows.size()) - 1);
    }
    QStringList Subjects() const {
        QStringList subjects;
        for (int row = 0; row < model.rowCount(); ++row)
            subjects << model.index(row, MessageListModel::kSubject).data().toString();
        return subjects;
    }
    MarkState Mark(int row) const {
        return model.index(row, MessageListModel::kSubject)
            .data(MessageListModel::kMarkRole)
            .toInt();
    }

    ModelComplaints complaints;
    std::vector<MessageEntry> rows;
    MessageListModel model;
    QAbstractItemModelTester tester{&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning};
};

// Each arriving row is one insertion at the end: the view keeps what it had laid out.
TEST_F(MessageListModelTest, ARowArrivingIsInsertedAtTheEndWithItsMark) {
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    Append("lunch");
    Append("cheap watches", kCheckMark);
    Append("today");

    ASSERT_EQ(inserted.count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(inserted[i][1].toInt(), i);
        EXPECT_EQ(inserted[i][2].toInt(), i);
    }
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(Subjects(), QStringList({"lunch", "cheap watches", "today"}));
    EXPECT_EQ(Mark(1), kCheckMark);
}

// The marks live in the rows: a change there shows once it is announced, with no copy to update.
TEST_F(MessageListModelTest, ChangedMarksAreReadFromTheRowsInPlace) {
    Append("lunch");
    Append("cheap watches");
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    rows[0].mark = kQuestionMark;
    rows[1].mark = kBlacklistMark;
    model.marksChanged();

    ASSERT_EQ(changed.count(), 1);
    const auto topLeft = changed[0][0].value<QModelIndex>();
    const auto bottomRight = changed[0][1].value<QModelIndex>();
    EXPECT_EQ(topLeft.row(), 0);
    EXPECT_EQ(bottomRight.row(), 1);
    EXPECT_EQ(topLeft.column(), MessageListModel::kSubject);
    EXPECT_TRUE(changed[0][2].value<QList<int>>().contains(Qt::DecorationRole));
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(Mark(0), kQuestionMark);
    EXPECT_EQ(Mark(1), kBlacklistMark);
}

// Rows emptied by a new check, or replaced by another list, are shown from scratch; rows not yet
// announced stay out of view until they are.
TEST_F(MessageListModelTest, ResetShowsTheRowsAsTheyAreNow) {
    Append("lunch");
    rows.clear();
    model.rowsReset();
    EXPECT_EQ(model.rowCount(), 0);

    rows.push_back({"pending", "", "1", ""});
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.index(0, 0).data().isValid());
    model.rowAppended(0);
    EXPECT_EQ(Subjects(), QStringList({"pending"}));

    std::vector<MessageEntry> other{{"a", "", "1", ""}, {"b", "", "2", ""}};
    model.setRows(&other);
    EXPECT_EQ(Subjects(), QStringList({"a", "b"}));
    model.setRows(&rows);
}

TEST_F(MessageListModelTest, CellsShowOutsideTextSafelyAndCannotBeEdited) {
    rows.push_back({"cheap\twatches\x1b[5m\xff", "a\nb@junk.test", "200", "soon\x7f"});
    model.rowAppended(0);

    const QStringList expected = {QString::fromUtf8("cheap watches [5m\xEF\xBF\xBD"),
                                  "a b@junk.test", "200", "soon "};
    for (int column = 0; column < MessageListModel::kColumnCount; ++column) {
        SCOPED_TRACE(column);
        const QModelIndex cell = model.index(0, column);
        EXPECT_EQ(cell.data().toString(), expected[column]);
        EXPECT_FALSE(model.flags(cell).testFlag(Qt::ItemIsEditable));
        EXPECT_TRUE(model.flags(cell).testFlag(Qt::ItemIsSelectable));
    }
    EXPECT_EQ(rows[0].subject, "cheap\twatches\x1b[5m\xff");
}

}  // namespace
}  // namespace kelvane
