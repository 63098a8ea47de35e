#include "TfrmFileSearch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

#include "ClickableLabel.h"
#include "MessageBoxes.h"
#include "ShownText.h"

namespace kelvane {
namespace {

using namespace std::chrono_literals;

// A walk from / looks at hundreds of thousands of files: the status line need not show each.
constexpr auto kFolderShownEvery = 50ms;
// How often closing looks whether the stopped search has ended.
constexpr auto kStopCheckEvery = 200ms;

// File names are bytes: the path is kept as it was found, apart from what is shown.
QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
std::string PathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::string AskFileNameInBox(QWidget* parent, const std::string& current) {
    return PathBytes(
        QInputDialog::getText(parent, QObject::tr("Filename search"),
                              QObject::tr("Filename to search (no wildcards allowed):"),
                              QLineEdit::Normal, PathText(current)));
}

std::string ChooseFolderInBrowser(QWidget* parent, const std::string& current) {
    return PathBytes(QFileDialog::getExistingDirectory(
        parent, QObject::tr("Select starting drive/folder"), PathText(current)));
}

// The source button's caption with the folder's own "&" kept from becoming a shortcut.
QString SourceButtonText(const std::string& caption, const std::string& folder) {
    if (!caption.ends_with(folder)) return QString::fromStdString(caption);
    const std::string label = caption.substr(0, caption.size() - folder.size());
    return QString::fromStdString(label) + ShownText(folder).replace('&', QStringLiteral("&&"));
}

}  // namespace

TfrmFileSearch::TfrmFileSearch(MessageBoxes& boxes, QWidget* parent)
    : QDialog(parent),
      boxes_(boxes),
      askFileName_(AskFileNameInBox),
      chooseFolder_(ChooseFolderInBrowser),
      search_(searchEvents()) {
    setObjectName(QStringLiteral("frmFileSearch"));
    setWindowTitle(tr("File Search"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createFileNameLine());
    btSource_ = new QPushButton(this);
    btSource_->setObjectName(QStringLiteral("btSource"));
    btSource_->setAutoDefault(false);
    connect(btSource_, &QPushButton::clicked, this, &TfrmFileSearch::chooseSource);
    layout->addWidget(btSource_);
    lbFiles_ = new QListWidget(this);
    lbFiles_->setObjectName(QStringLiteral("lbFiles"));
    connect(lbFiles_, &QListWidget::itemDoubleClicked, this, &TfrmFileSearch::takeFile);
    layout->addWidget(lbFiles_);
    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setTextFormat(Qt::PlainText);
    layout->addWidget(lblStatus_);
    layout->addWidget(createButtons());

    showFileName();
    showSource();
    setBusy(false);
}

TfrmFileSearch::~TfrmFileSearch() {
    stopAndWait();
}

QWidget* TfrmFileSearch::createFileNameLine() {
    auto* line = new QWidget(this);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("File Search:"), line));
    lblFileName_ = new ClickableLabel(line);
    lblFileName_->setObjectName(QStringLiteral("lblFileName"));
    connect(lblFileName_, &ClickableLabel::clicked, this, &TfrmFileSearch::askFileName);
    layout->addWidget(lblFileName_, 1);
    pbSearching_ = new QProgressBar(line);
    pbSearching_->setObjectName(QStringLiteral("pbSearching"));
    pbSearching_->setRange(0, 0);  // busy: it runs without knowing how far the walk is
    pbSearching_->setTextVisible(false);
    pbSearching_->setMaximumWidth(120);
    layout->addWidget(pbSearching_);
    return line;
}

QWidget* TfrmFileSearch::createButtons() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const auto button = [&](const QString& text, const char* name) {
        auto* created = new QPushButton(text, row);
        created->setObjectName(QLatin1String(name));
        layout->addWidget(created);
        return created;
    };
    btStart_ = button(tr("&Start search"), "btStart");
    btStart_->setDefault(true);
    btCancel_ = button(tr("Cancel"), "btCancel");
    btCancel_->setAutoDefault(false);
    btClose_ = button(tr("&Close"), "btClose");
    btClose_->setAutoDefault(false);
    connect(btStart_, &QPushButton::clicked, this, &TfrmFileSearch::startSearch);
    connect(btCancel_, &QPushButton::clicked, this, [this] { search_.Cancel(); });
    connect(btClose_, &QPushButton::clicked, this, [this] { takeFile(lbFiles_->currentItem()); });
    return row;
}

// The events come on the worker: each hands its effect to the window's thread and goes on, never
// waiting for it. Calls still queued when the window goes are dropped with it.
FileSearch::Events TfrmFileSearch::searchEvents() {
    return FileSearch::Events{
        [this] {
            folderShown_ = {};
            QMetaObject::invokeMethod(
                this, [this] { searchStarted(); }, Qt::QueuedConnection);
        },
        [this](const std::string& folder) { folderWalked(folder); },
        [this](const std::string& path, int) {
            QMetaObject::invokeMethod(
                this, [this, path] { fileFound(path); }, Qt::QueuedConnection);
        },
        [this](const FileSearchOutcome& outcome) {
            QMetaObject::invokeMethod(
                this, [this, outcome] { searchEnded(outcome); }, Qt::QueuedConnection);
        }};
}

void TfrmFileSearch::folderWalked(const std::string& folder) {
    if (walkObserver_) walkObserver_(folder);
    const auto now = std::chrono::steady_clock::now();
    if (now - folderShown_ < kFolderShownEvery) return;
    folderShown_ = now;
    QMetaObject::invokeMethod(
        this, [this, folder] { lblStatus_->setText(ShownText(folder)); }, Qt::QueuedConnection);
}

void TfrmFileSearch::setFileName(const std::string& name) {
    search_.SetSought(name);
    showFileName();
}

void TfrmFileSearch::setSource(const std::string& folder) {
    search_.SetSource(folder);
    showSource();
}

void TfrmFileSearch::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;  // shown again after being minimized
    closing_ = false;
    showFileName();
    if (!search_.Running()) startSearch();
}

void TfrmFileSearch::startSearch() {
    try {
        search_.Start();
        setBusy(true);
    } catch (const std::exception& error) {
        boxes_.Error(error.what());
    }
    showSource();
}

void TfrmFileSearch::searchStarted() {
    lbFiles_->clear();
    btClose_->setText(tr("&Close"));
}

void TfrmFileSearch::fileFound(const std::string& path) {
    auto* item = new QListWidgetItem(ShownText(path), lbFiles_);
    item->setData(Qt::UserRole, QByteArray::fromStdString(path));
    btClose_->setText(tr("Select"));
}

void TfrmFileSearch::searchEnded(const FileSearchOutcome& outcome) {
    try {
        search_.WaitUntilEnded();  // the walk's last step: this returns at once
    } catch (const std::exception& error) {
        boxes_.Error(error.what());
    }
    setBusy(false);
    lblStatus_->setText(QString::fromStdString(outcome.status));
    if (lbFiles_->count() > 0) lbFiles_->setCurrentRow(0);
    if (!outcome.error.empty() && !closing_) boxes_.Error(outcome.error);
}

void TfrmFileSearch::askFileName() {
    setFileName(askFileName_(this, search_.Sought()));
}

void TfrmFileSearch::chooseSource() {
    const std::string folder = chooseFolder_(this, search_.Source());
    if (!folder.empty()) setSource(folder);
}

void TfrmFileSearch::takeFile(QListWidgetItem* item) {
    selected_ = item ? item->data(Qt::UserRole).toByteArray().toStdString() : std::string();
    accept();
}

void TfrmFileSearch::done(int result) {
    stopAndWait();
    QDialog::done(result);
}

// Waits while carrying out what the walk hands over, since its events are queued to this thread.
void TfrmFileSearch::stopAndWait() {
    closing_ = true;
    search_.Cancel();
    while (search_.Running()) {
        QEventLoop wait;
        QTimer::singleShot(kStopCheckEvery, &wait, &QEventLoop::quit);
        wait.exec();
    }
    try {
        search_.WaitUntilEnded();
    } catch (const std::exception& error) {
        boxes_.Error(error.what());
    }
    // What the walk handed over last, so that a later search cannot receive it.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void TfrmFileSearch::setBusy(bool busy) {
    pbSearching_->setVisible(busy);
    btStart_->setEnabled(!busy);
    btSource_->setEnabled(!busy);
    btClose_->setEnabled(!busy);
    btCancel_->setEnabled(busy);
}

void TfrmFileSearch::showFileName() {
    lblFileName_->setText(ShownText(search_.Sought()));
}

void TfrmFileSearch::showSource() {
    btSource_->setText(SourceButtonText(search_.SourceCaption(), search_.Source()));
}

}  // namespace kelvane
