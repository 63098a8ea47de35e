// The message list's commands: marks by hand, why a message was marked, its headers and body,
// rules made from it, and the letter shortcuts.
#include "CheckRun.h"
#include "GatedConnect.h"
#include "GeneralErrorHandler.h"
#include "ListActions.h"
#include "MessageBoxes.h"
#include "MessageListModel.h"
#include "TfrmMain.h"
#include "TfrmMarkForDeletion.h"
#include "TfrmViewHeader.h"
#include "TmsRemotePOP.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeView>
#include <algorithm>
#include <filesystem>

namespace kelvane {

namespace {

void ShowViewer(QWidget* parent, TfrmViewHeader::Use use, const std::vector<std::string>& lines) {
    TfrmViewHeader viewer(parent);
    viewer.setUse(use);
    viewer.setLines(lines);
    viewer.exec();
}

bool IsShortcutKey(int key) {
    switch (key) {
        case Qt::Key_C:
        case Qt::Key_M:
        case Qt::Key_D:
        case Qt::Key_X:
        case Qt::Key_L:
        case Qt::Key_R:
        case Qt::Key_A:
            return true;
        default:
            return false;
    }
}

}  // namespace

QMenu* TfrmMain::createListMenu() {
    auto* menu = new QMenu(list_);
    menu->setObjectName(QStringLiteral("PopupMenu1"));
    addListAction(menu, "Why1", tr("Why was this e-mail marked?"), Command::Why);
    menu->addSeparator()->setObjectName(QStringLiteral("N1"));
    addListAction(menu, "AddtoExceptions1", tr("Add selected sender(s) to exceptions list"),
                  Command::AddToExceptions);
    addListAction(menu, "AddtoSPAMlist1", tr("Add selected message(s) to spam list"),
                  Command::AddToSpamList);
    menu->addSeparator()->setObjectName(QStringLiteral("N2"));
    addListAction(menu, "ViewHeader1", tr("View selected message(s) headers"),
                  Command::ViewHeaders);
    addListAction(menu, "ViewMessages1", tr("View body of one message"), Command::ViewBody);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, &TfrmMain::showListMenu);
    MarkGated(list_, CommandName(Command::Mark));
    connect(list_, &QAbstractItemView::doubleClicked, this, [this] {
        emit alarmStopRequested();
        request(Command::Mark);
    });
    return menu;
}

void TfrmMain::addListAction(QMenu* menu, const char* name, const QString& caption,
                             Command command) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    ConnectGated(gate_, action, command, [this, command] { perform(command); });
}

void TfrmMain::showListMenu(const QPoint& position) {
    if (!listCommandsAvailable()) return;
    listMenu_->popup(list_->viewport()->mapToGlobal(position));
}

// While a run is on the stack its rows are its own; the gate knows.
bool TfrmMain::listCommandsAvailable() const {
    return run_ != nullptr && gate_.Allows(Command::Why, Origin::User);
}

std::vector<int> TfrmMain::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TfrmMain::runPaused(const std::function<void()>& command) {
    if (pause_)
        pause_(command);
    else
        command();
}

std::vector<int> TfrmMain::selectionOrNada() {
    std::vector<int> selected = selectedRows();
    if (selected.empty()) boxes_->Information(NadaSelectedText(messages_->rowCount() > 0));
    return selected;
}

int TfrmMain::firstSelectedToView() {
    const std::vector<int> selected = selectionOrNada();
    if (selected.empty()) return -1;
    if (selected.size() > 1) boxes_->Information(kOnlyFirstViewed);
    // The box waited for the user; the row must still be there.
    return selected.front() < static_cast<int>(run_->rows().size()) ? selected.front() : -1;
}

void TfrmMain::markClicked() {
    emit alarmStopRequested();
    const std::vector<int> selected = selectionOrNada();
    if (selected.empty()) return;
    ToggleMarks(run_->rows(), selected);
    messages_->marksChanged();
    run_->ShowTotalCount();
}

void TfrmMain::resetClicked() {
    ResetMarks(run_->rows());
    messages_->marksChanged();
    run_->ShowTotalCount();
}

void TfrmMain::whyClicked() {
    runPaused([this] {
        const int index = firstSelectedToView();
        if (index < 0) return;
        std::vector<std::string> lines;
        RunGuarded(*boxes_, [&] { lines = run_->Why(index); });
        if (!lines.empty()) ShowViewer(this, TfrmViewHeader::Use::Reasons, lines);
    });
}

void TfrmMain::viewHeaderClicked() {
    runPaused([this] {
        const std::vector<int> selected = selectionOrNada();
        if (selected.empty()) return;
        ShowViewer(this, TfrmViewHeader::Use::Headers,
                   HeaderLines(run_->rows(), run_->client().Info(), selected));
    });
}

void TfrmMain::viewMessageClicked() {
    runPaused([this] {
        const int index = firstSelectedToView();
        if (index < 0) return;
        const std::string size = run_->rows()[static_cast<std::size_t>(index)].size;
        if (BodyNeedsQuestion(size) && !boxes_->Confirm(LargeBodyQuestion(size))) return;
        RunOutcome outcome = RunOutcome::Stopped;
        RunGuarded(*boxes_, [&] { outcome = run_->Retrieve(index); });
        if (outcome == RunOutcome::Done) showBody(index);
    });
}

// The file holds the user's mail: it goes as soon as it has been read.
void TfrmMain::showBody(int index) {
    const std::string file = run_->RetrievedFile(index);
    const std::vector<std::string> lines = MessageBodyLines(file);
    ShowViewer(this, TfrmViewHeader::Use::Body, lines);
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
}

void TfrmMain::addToExceptionsClicked() {
    const std::vector<int> selected = selectionOrNada();
    if (selected.empty()) return;
    run_->AddToExceptions(selected);
}

void TfrmMain::addToSpamListClicked() {
    runPaused([this] {
        const std::vector<int> selected = selectionOrNada();
        if (selected.empty()) return;
        TfrmMarkForDeletion dialog(SpamCandidates(run_->rows(), selected), this);
        const bool accepted = dialog.exec() == QDialog::Accepted;
        RunGuarded(*boxes_, [&] {
            if (accepted)
                run_->AddToSpamRules(dialog.candidates(), dialog.bySubject(), dialog.bySender());
            else
                run_->AutoMark();
        });
    });
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !watched->isWidgetType() ||
        static_cast<QWidget*>(watched)->window() != this) {
        return QMainWindow::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyRelease && (watched == list_ || watched == list_->viewport())) {
        emit alarmStopRequested();
    }
    const bool plain = key->modifiers() == Qt::NoModifier &&
                       QGuiApplication::mouseButtons() == Qt::NoButton && !key->isAutoRepeat();
    if (!plain) return QMainWindow::eventFilter(watched, event);
    // The press of a shortcut letter is kept from the list, whose type-ahead search would move
    // the selection before the release acts on it.
    if (type == QEvent::KeyPress) return IsShortcutKey(key->key());
    return runShortcut(key->key());
}

// The letters start what their buttons start, through the same gate.
bool TfrmMain::runShortcut(int key) {
    if (key == Qt::Key_X) {
        request(busy_ ? Command::Cancel : Command::Exit);
        return true;
    }
    if (run_ == nullptr) return false;
    switch (key) {
        case Qt::Key_C:
            request(Command::Check);
            return true;
        case Qt::Key_M:
            request(Command::Mark);
            return true;
        case Qt::Key_D:
            request(Command::Delete);
            return true;
        case Qt::Key_L:
            request(Command::LaunchMailProgram);
            return true;
        case Qt::Key_R:
            request(Command::ResetMarks);
            return true;
        case Qt::Key_A:
            request(Command::AutoMark);
            return true;
        default:
            return false;
    }
}

}  // namespace kelvane
