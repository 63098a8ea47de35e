#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <string_view>

class QListWidget;

namespace kelvane {

class MessageBoxes;

// Asks which mail program the user has and finds its program file: a named program through the
// file search, "Other" by picking any file.
class TfrmMailProgramSearch : public QDialog {
    Q_OBJECT

  public:
    // Asks for a program file; empty when cancelled.
    using ChooseProgram = std::function<std::string(QWidget* parent)>;

    // `boxes` must outlive the window; the file search shows its boxes there too.
    explicit TfrmMailProgramSearch(MessageBoxes& boxes, QWidget* parent = nullptr);

    // The program file taken with OK; empty when none was.
    const std::string& selectedProgram() const { return selected_; }

    // The open-file dialog; tests answer it instead of the user.
    void setChooseProgram(ChooseProgram choose) { chooseProgram_ = std::move(choose); }
    // Where the file search starts; tests point it at a tree of their own.
    void setSearchRoot(std::string folder) { searchRoot_ = std::move(folder); }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void okClicked();
    std::string searchFor(std::string_view programFile);

    MessageBoxes& boxes_;
    QListWidget* lbMailPrograms_ = nullptr;
    ChooseProgram chooseProgram_;
    std::string searchRoot_;
    std::string selected_;
};

}  // namespace kelvane
