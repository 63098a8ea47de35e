#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "KnownListText.h"
#include "RuleDialogParts.h"
#include "RuleGridPage.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace kelvane {

class KnownSpammers;
class MessageBoxes;
class SettingsStore;
class SpamSettings;

// What the window needs from the rest of the program.
struct SpamWindowServices {
    // The entries of the header dialog's mailbox list, one per mailbox with a server.
    std::function<std::vector<std::string>()> mailboxEntries;
    // "&Help": topic 100 of the help page.
    std::function<void(int topic)> openHelp;
    // The rule dialogs' country list; the real one when empty.
    CountryChooser chooseCountry;
};

// "Spam Settings": the four rule tables, the size rules, the known-spammer list, the domain
// check and the limits of the deleted messages kept, edited in the program's own SpamSettings
// and KnownSpammers. OK saves them, Cancel reads them back from their files.
class TfrmOptionsMain : public QDialog {
    Q_OBJECT

  public:
    enum class Page {
        Subject,
        Headers,
        Sender,
        Size,
        Exceptions,
        BlackList,
        ValidDomains,
        DeletedMessages
    };

    // Everything given must outlive the window; `folder` holds known.lst.
    TfrmOptionsMain(SpamSettings& spam, KnownSpammers& known, SettingsStore& store,
                    MessageBoxes& boxes, std::string folder, SpamWindowServices services,
                    QWidget* parent = nullptr);

    // Loads what the window shows: the rules and options from the settings in memory, the
    // known-spammer list from its file. Done when the program opens the window, never on a show
    // the window system sends (a restore from minimised), which must keep the user's edits.
    void FormShow();
    int exec() override;
    void open() override;
    // The grids' column widths into the settings store (the program's end).
    void saveColumnWidths();
    RuleGridPage& rulePage(RuleTableKind kind);
    void selectPage(Page page);

    // Cancel, Escape and closing the window all read the settings back from their files.
    void reject() override;

  private:
    QWidget* createRulePage(RuleTableKind kind);
    QWidget* createSizePage();
    QWidget* createBlackListPage();
    QWidget* createValidDomainsPage();
    QWidget* createDeletedMessagesPage();
    bool editRule(RuleTable& table, int current, bool isNew);
    void applySizeEnabling();
    void optionsToControls();
    void controlsToOptions();
    void updateCounts();
    void reloadGrids();
    void LoadMemoofKnownSpammers();
    void editKnownClicked();
    void saveKnownClicked();
    bool saveKnownList();
    std::string knownEditorText() const;
    void cancelKnownClicked();
    void setKnownEditable(bool editable);
    bool knownEditing() const;
    void btOKClick();
    void resetUnknownClicked();
    std::string knownFile() const;

    SpamSettings& spam_;
    KnownSpammers& known_;
    SettingsStore& store_;
    MessageBoxes& boxes_;
    std::string folder_;
    SpamWindowServices services_;
    QTabWidget* pages_ = nullptr;
    std::array<RuleGridPage*, 4> rulePages_{};
    QCheckBox* cbSmaller_ = nullptr;
    QSpinBox* nSmaller_ = nullptr;
    QRadioButton* rbSmallerCheck_ = nullptr;
    QRadioButton* rbSmallerQuestion_ = nullptr;
    QCheckBox* cbLarger_ = nullptr;
    QSpinBox* nLarger_ = nullptr;
    QRadioButton* rbLargerCheck_ = nullptr;
    QRadioButton* rbLargerQuestion_ = nullptr;
    QCheckBox* cbKnownSpammers_ = nullptr;
    QLabel* lblSpamCount_ = nullptr;
    QPlainTextEdit* memo1_ = nullptr;
    QLabel* pnlKnown_ = nullptr;
    QPushButton* btKnownEdit_ = nullptr;
    QPushButton* btKnownSave_ = nullptr;
    QPushButton* btKnownCancel_ = nullptr;
    QCheckBox* cbValid_ = nullptr;
    QWidget* pnlValid_ = nullptr;
    QRadioButton* rbCheck_ = nullptr;
    QRadioButton* rbQuestion_ = nullptr;
    QLabel* edUnknown_ = nullptr;
    QCheckBox* chKeepDeleted_ = nullptr;
    QSpinBox* spKeepDays_ = nullptr;
    QSpinBox* spKeepWholeKiB_ = nullptr;
    QSpinBox* spKeepTotalMB_ = nullptr;
    KnownListText knownText_;
    bool unknownReset_ = false;  // "Reset counter" confirmed, waiting for OK
};

}  // namespace kelvane
