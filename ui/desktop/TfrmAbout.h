#pragma once

#include <QDialog>

class QTabWidget;

namespace kelvane {

// The one-line description shown in the main window and in the about box.
QString tagline();

class SettingsStore;
class SmashASpam;

// The about box: the "About" page (name, version, tagline, what Kelvane does and the licence of
// its artwork) and the "Smash a spam" game, closed with OK. The game's best score is kept in
// `store` when one is given.
class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    enum class Page { About, SmashASpam };

    explicit TfrmAbout(QWidget* parent = nullptr, SettingsStore* store = nullptr);
    void showPage(Page page);
    SmashASpam& game() { return *game_; }

  private:
    QWidget* createAboutPage();

    QTabWidget* pages_ = nullptr;
    SmashASpam* game_ = nullptr;
};

}  // namespace kelvane
