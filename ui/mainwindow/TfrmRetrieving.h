#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace kelvane {

// The progress window of a check: what is happening, which mailbox, how far, and a way to stop.
class TfrmRetrieving : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmRetrieving(QWidget* parent = nullptr);

    // Shows the window headed `title` for a fresh run on `userName`'s mailbox on `server`; a
    // window already shown keeps its message and bar.
    void showFor(const QString& title, const QString& userName, const QString& server);
    // The same texts without showing the window.
    void setHeading(const QString& title, const QString& userName, const QString& server);

    void setMessage(const QString& text);
    // Shows the bar at `position` of `maximum` at the next round of events: a bar repaints at
    // once on every step it shows, and a large mailbox brings steps far faster than needed.
    void setProgress(int position, int maximum);
    // Also drops a step not shown yet.
    void hideProgress();

    // The frame of the mail animation on view, 0 to 9.
    int animationFrame() const { return frame_; }
    bool isAnimating() const;

    // Escape and the close button ask to cancel like "Click to cancel"; the owner hides the window.
    void reject() override;

  signals:
    void cancelClicked();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QWidget* createAccountLines();
    void showFrame(int frame);
    void showProgress();

    QLabel* lblTitle_ = nullptr;
    QLabel* lblMsg_ = nullptr;
    QLabel* anMail_ = nullptr;
    QLabel* lblMailbox_ = nullptr;
    QLabel* lblServer_ = nullptr;
    QProgressBar* progbar_ = nullptr;
    QPushButton* btCancel_ = nullptr;
    QTimer* animation_ = nullptr;
    QTimer* progressStep_ = nullptr;
    int frame_ = 0;
    int position_ = 0;
    int maximum_ = 0;
};

}  // namespace kelvane
