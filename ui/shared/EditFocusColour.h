#pragma once

#include <QObject>

class QWidget;

namespace kelvane {

// Gives every line edit and spin box below `window` the button-face colour, and the window's
// base colour while one has the focus, so that the field being typed in stands out.
class EditFocusColour : public QObject {
    Q_OBJECT

  public:
    // Owned by `window`; call once all its fields exist.
    static void InstallOn(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit EditFocusColour(QWidget* window);
    void colour(QWidget* field, bool focused) const;

    QWidget* window_;
};

}  // namespace kelvane
