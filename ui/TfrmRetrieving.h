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

    // Shows the window for a fresh listing of `userName` on `server`.
    void showFor(const QString& userName, const QString& server);

    void setTitle(const QString& text);
    void setMessage(const QString& text);
    // Shows the bar at `position` of `maximum`.
    void setProgress(int position, int maximum);
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

    QLabel* lblTitle_ = nullptr;
    QLabel* lblMsg_ = nullptr;
    QLabel* anMail_ = nullptr;
    QLabel* lblMailbox_ = nullptr;
    QLabel* lblServer_ = nullptr;
    QProgressBar* progbar_ = nullptr;
    QPushButton* btCancel_ = nullptr;
    QTimer* animation_ = nullptr;
    int frame_ = 0;
};

}  // namespace kelvane
