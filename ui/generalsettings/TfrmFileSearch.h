#pragma once

#include <QDialog>
#include <chrono>
#include <functional>
#include <string>

#include "FileSearch.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QProgressBar;
class QPushButton;

namespace kelvane {

class ClickableLabel;
class MessageBoxes;

// Searches a folder tree for files of one name and lets the user pick one of them. The search
// walks on a worker thread; the window hands every effect of its events over to its own thread.
class TfrmFileSearch : public QDialog {
    Q_OBJECT

  public:
    // Asks for another name to search for, given the current one; empty keeps the current one.
    using AskFileName = std::function<std::string(QWidget* parent, const std::string& current)>;
    // Asks for the folder to search from, starting at the current one; empty when cancelled.
    using ChooseFolder = std::function<std::string(QWidget* parent, const std::string& current)>;
    // Called on the walking thread with the folder of every file looked at.
    using WalkObserver = std::function<void(const std::string& folder)>;

    // `boxes` must outlive the window.
    explicit TfrmFileSearch(MessageBoxes& boxes, QWidget* parent = nullptr);
    // Stops a running search and waits for it, as closing does.
    ~TfrmFileSearch() override;

    void setFileName(const std::string& name);
    std::string fileName() const { return search_.Sought(); }
    void setSource(const std::string& folder);
    std::string source() const { return search_.Source(); }
    // The file taken with "Select" or a double click; empty when none was.
    const std::string& selectedFile() const { return selected_; }
    bool searching() const { return search_.Running(); }

    // The input box and the folder browser; tests answer them instead of the user.
    void setAskFileName(AskFileName ask) { askFileName_ = std::move(ask); }
    void setChooseFolder(ChooseFolder choose) { chooseFolder_ = std::move(choose); }
    // Lets a test hold a walk; set it only while no search runs.
    void setWalkObserver(WalkObserver observer) { walkObserver_ = std::move(observer); }

    // Every way of closing (OK, Escape, the close button) first stops a running search.
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QWidget* createFileNameLine();
    QWidget* createButtons();
    FileSearch::Events searchEvents();

    // On the walking thread.
    void folderWalked(const std::string& folder);

    // On the window's thread.
    void startSearch();
    void searchStarted();
    void fileFound(const std::string& path);
    void searchEnded(const FileSearchOutcome& outcome);
    void askFileName();
    void chooseSource();
    void takeFile(QListWidgetItem* item);
    void stopAndWait();
    void setBusy(bool busy);
    void showFileName();
    void showSource();

    MessageBoxes& boxes_;
    ClickableLabel* lblFileName_ = nullptr;
    QProgressBar* pbSearching_ = nullptr;
    QPushButton* btStart_ = nullptr;
    QPushButton* btCancel_ = nullptr;
    QPushButton* btClose_ = nullptr;
    QPushButton* btSource_ = nullptr;
    QListWidget* lbFiles_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    AskFileName askFileName_;
    ChooseFolder chooseFolder_;
    WalkObserver walkObserver_;
    std::string selected_;
    bool closing_ = false;  // no box about an empty outcome while the user is leaving
    // Only the walking thread uses it: when the status line last got a folder.
    std::chrono::steady_clock::time_point folderShown_;
    // Last, so that it is stopped before anything its events use goes away.
    FileSearch search_;
};

}  // namespace kelvane
