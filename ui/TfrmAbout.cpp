#include "TfrmAbout.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace kelvane {

namespace {

QLabel* makeLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

QString tagline() {
    return QApplication::translate("TfrmAbout", "Kelvane - eliminate junk e-mail!");
}

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About Kelvane"));

    auto* text = new QVBoxLayout;
    QLabel* name = makeLabel(
        QStringLiteral("Kelvane %1").arg(QCoreApplication::applicationVersion()), "lblName", this);
    QFont bigger = name->font();
    bigger.setBold(true);
    bigger.setPointSizeF(bigger.pointSizeF() * 1.4);
    name->setFont(bigger);
    text->addWidget(name);
    text->addWidget(makeLabel(tagline(), "lblTagline", this));

    auto* body = new QHBoxLayout;
    // The icon is missing where no image plugin can read it; the text stands alone then.
    const QPixmap logo = QApplication::windowIcon().pixmap(64, 64);
    if (!logo.isNull()) {
        auto* icon = new QLabel(this);
        icon->setPixmap(logo);
        body->addWidget(icon);
    }
    body->addLayout(text);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setSpacing(12);
    layout->addLayout(body);
    layout->addWidget(buttons);
}

}  // namespace kelvane
