#include "TfrmViewHeader.h"

#include "ShownText.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelvane {

TfrmViewHeader::TfrmViewHeader(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmViewHeader"));
    setWindowTitle(tr("View Selected Headers"));
    auto* layout = new QVBoxLayout(this);
    lblTitle_ = new QLabel(this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    layout->addWidget(lblTitle_);

    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("Memo1"));
    // Nothing typed is kept, so nothing can be typed; the text can still be selected and copied.
    memo_->setReadOnly(true);
    memo_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(memo_, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("btOK"));
    ok->setDefault(true);
    // OK is also the cancel button: Escape closes the viewer the same way.
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(640, 480);
}

void TfrmViewHeader::setUse(Use use) {
    switch (use) {
        case Use::Headers:
            lblTitle_->setText(tr("Contents of selected e-mail headers"));
            break;
        case Use::Reasons:
            lblTitle_->setText(tr("Reasons that e-mail is marked or not marked"));
            break;
        case Use::Body:
            lblTitle_->setText(tr("Contents of e-mail"));
            break;
    }
}

void TfrmViewHeader::setLines(const std::vector<std::string>& lines) {
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) shown << ShownText(line);
    memo_->setPlainText(shown.join(QLatin1Char('\n')));
    memo_->moveCursor(QTextCursor::Start);
}

QString TfrmViewHeader::titleText() const {
    return lblTitle_->text();
}

QString TfrmViewHeader::text() const {
    return memo_->toPlainText();
}

}  // namespace kelvane
