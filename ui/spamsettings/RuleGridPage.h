#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "RuleTable.h"

class QLabel;
class QPrinter;
class QTableView;

namespace kelvane {

class MessageBoxes;
class RuleTableModel;
class SpamSettings;

// One rule page of the spam settings window: its explanation, the count, the grid over the rule
// table and the buttons that insert, delete, edit, move, print and (where offered) import rules.
class RuleGridPage : public QWidget {
    Q_OBJECT

  public:
    struct Texts {
        const char* gridName;   // "gridSubject"
        const char* countName;  // "lblSubjectCount"
        QString explanation;
        QString conditions;  // the label over the grid
        QString printTitle;  // "Kelvane - Subject Line Settings"
        bool offersImport = false;
        QString importTitle;  // the import dialog's title
    };
    // The page's rule dialog: for a new rule (`isNew`) it puts the rule in at `current` when OK
    // closes it; otherwise it edits row `current` in place. True when the table changed.
    using RuleEditor = std::function<bool(RuleTable& table, int current, bool isNew)>;
    // The lines to import, nothing when cancelled.
    using LinesAsker = std::function<std::optional<std::vector<std::string>>(const QString& title)>;
    // Sets up the printer; false when the user cancelled.
    using PrintAsker = std::function<bool(QPrinter& printer)>;

    RuleGridPage(SpamSettings& spam, RuleTableKind kind, const Texts& texts, RuleEditor edit,
                 MessageBoxes& boxes, QWidget* parent = nullptr);

    RuleTableModel& model() { return *model_; }
    QTableView& grid() { return *grid_; }
    // The table row (1 up) of the grid's current row; 0 when there is none.
    int currentRow() const;
    void selectRow(int row);
    // The table was replaced or changed outside the grid.
    void reload();
    void updateCount();
    void setLinesAsker(LinesAsker ask) { askLines_ = std::move(ask); }
    void setPrintAsker(PrintAsker ask) { askPrinter_ = std::move(ask); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* createButtons();
    void insertClicked();
    void deleteClicked();
    void editClicked();
    void sayNothingSelected();
    void moveClicked(bool up);
    void printClicked();
    void importClicked();
    bool clipboardKey(const QKeyEvent& key);

    SpamSettings& spam_;
    RuleTableKind kind_;
    Texts texts_;
    RuleEditor edit_;
    MessageBoxes& boxes_;
    LinesAsker askLines_;
    PrintAsker askPrinter_;
    RuleTableModel* model_ = nullptr;
    QTableView* grid_ = nullptr;
    QLabel* count_ = nullptr;
};

}  // namespace kelvane
