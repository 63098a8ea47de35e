#include "TfrmAbout.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

#include "SmashASpam.h"

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

TfrmAbout::TfrmAbout(QWidget* parent, SettingsStore* store) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About Kelvane"));

    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    pages_->addTab(createAboutPage(), tr("About"));
    game_ = new SmashASpam(store, this);
    pages_->addTab(game_, tr("Smash a spam"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setSpacing(12);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
}

QWidget* TfrmAbout::createAboutPage() {
    auto* page = new QWidget(this);
    auto* text = new QVBoxLayout;
    QLabel* name = makeLabel(
        QStringLiteral("Kelvane %1").arg(QCoreApplication::applicationVersion()), "lblName", page);
    QFont bigger = name->font();
    bigger.setBold(true);
    bigger.setPointSizeF(bigger.pointSizeF() * 1.4);
    name->setFont(bigger);
    text->addWidget(name);
    text->addWidget(makeLabel(tagline(), "lblTagline", page));
    QLabel* description = makeLabel(
        tr("Kelvane looks at the mail waiting on your POP3 server before your mail program "
           "downloads it, marks junk with your rules and deletes it on the server."),
        "lblDescription", page);
    description->setWordWrap(true);
    description->setMinimumWidth(320);
    text->addWidget(description);
    QLabel* artwork = makeLabel(tr("Kelvane's pictures and sounds are its own work, released "
                                   "under CC0 1.0 (public domain dedication)."),
                                "lblArtwork", page);
    artwork->setWordWrap(true);
    text->addWidget(artwork);

    auto* body = new QHBoxLayout(page);
    // The icon is missing where no image plugin can read it; the text stands alone then.
    const QPixmap logo = QApplication::windowIcon().pixmap(64, 64);
    if (!logo.isNull()) {
        auto* icon = new QLabel(page);
        icon->setPixmap(logo);
        body->addWidget(icon, 0, Qt::AlignTop);
    }
    body->addLayout(text);
    return page;
}

void TfrmAbout::showPage(Page page) {
    pages_->setCurrentIndex(page == Page::About ? 0 : 1);
}

}  // namespace kelvane
