#include "TfrmSplash.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "TfrmAbout.h"

namespace kelvane {
namespace {

QLabel* Centred(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

TfrmSplash::TfrmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    QPalette paper = palette();
    paper.setColor(QPalette::Window, QColor(0xf4, 0xf1, 0xe8));
    paper.setColor(QPalette::WindowText, QColor(0x3b, 0x35, 0x2c));
    setPalette(paper);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    auto* picture = new QLabel(this);
    const QPixmap logo = QIcon(QStringLiteral(":/tray/normal.svg")).pixmap(96, 96);
    if (!logo.isNull()) picture->setPixmap(logo);
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    QLabel* name = Centred(QStringLiteral("Kelvane"), "lblName", this);
    QFont large = name->font();
    large.setPointSizeF(large.pointSizeF() * 2);
    large.setBold(true);
    name->setFont(large);
    layout->addWidget(name);
    layout->addWidget(
        Centred(tr("Version %1").arg(QCoreApplication::applicationVersion()), "lblVersion", this));
    layout->addWidget(Centred(tagline(), "lblTagline", this));
    loading_ = Centred(tr("Loading ..."), "Panel1", this);
    ready_ = Centred(tr("Ready"), "Panel2", this);
    ready_->hide();
    layout->addWidget(loading_);
    layout->addWidget(ready_);
}

void TfrmSplash::showLoaded() {
    loading_->hide();
    ready_->show();
}

}  // namespace kelvane
