#include "CaseName.h"
#include "TfrmTrustCertificate.h"
#include "WindowRunFixture.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <ostream>
#include <string>

namespace kelvane {
namespace {

// A certificate whose names carry a terminal escape, markup and a C1 control, as a hostile
// server could make them.
TlsCertificate HostileCertificate() {
    return {
        "CN=pop.example.org\x1b[2J, O=<b>Evil</b>", "CN=Nobody\xC2\x9B", "2026-01-01 00:00:00 UTC",
        "2027-01-01 00:00:00 UTC",
        "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:"
        "DD:EE:FF"};
}

// What the dialog showed, read while it was open.
struct ShownDialog {
    QString name;
    QString reason;
    QString details;
    QString trustText;
    QString cancelText;
    bool plain = false;
};

// The user's answer: the button clicked and what OfferTrust then returns.
struct AnswerCase {
    const char* name;
    const char* button;
    bool trusted;
};

void PrintTo(const AnswerCase& c, std::ostream* out) {
    *out << c.name;
}

class OfferTrustTest : public windowtest::WindowRunFixture,
                       public ::testing::WithParamInterface<AnswerCase> {};

// Reads the open dialog, then clicks `button`.
void AnswerNextDialog(ShownDialog& shown, const char* button) {
    QTimer::singleShot(0, [&shown, button] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) return;
        auto* reason = dialog->findChild<QLabel*>(QStringLiteral("lblReason"));
        auto* details = dialog->findChild<QLabel*>(QStringLiteral("lblDetails"));
        auto* trust = dialog->findChild<QPushButton*>(QStringLiteral("btTrust"));
        auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("btCancel"));
        if (!reason || !details || !trust || !cancel) {
            dialog->close();
            return;
        }
        shown = {dialog->objectName(),
                 reason->text(),
                 details->text(),
                 trust->text(),
                 cancel->text(),
                 reason->textFormat() == Qt::PlainText && details->textFormat() == Qt::PlainText};
        dialog->findChild<QPushButton*>(QLatin1String(button))->click();
    });
}

TEST_P(OfferTrustTest, ShowsTheReasonAndDetailsSafelyAndReturnsTheAnswer) {
    ShownDialog shown;
    AnswerNextDialog(shown, GetParam().button);

    const bool trusted =
        front.OfferTrust("The certificate is self-signed\x1b]0;owned\x07", HostileCertificate());

    EXPECT_EQ(trusted, GetParam().trusted);
    EXPECT_EQ(shown.name, "frmTrustCertificate");
    EXPECT_EQ(shown.reason, "The certificate is self-signed ]0;owned ");
    EXPECT_EQ(
        shown.details,
        "Subject: CN=pop.example.org [2J, O=<b>Evil</b>\n"
        "Issuer: CN=Nobody \n"
        "Valid from: 2026-01-01 00:00:00 UTC to 2027-01-01 00:00:00 UTC\n"
        "SHA-256 fingerprint: "
        "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33:44:55:66:77:88:99:AA:BB:CC:"
        "DD:EE:FF");
    EXPECT_EQ(shown.trustText, "Trust this certificate for this mailbox");
    EXPECT_EQ(shown.cancelText, "Cancel");
    EXPECT_TRUE(shown.plain) << "a certificate's names must never be read as markup";
}

INSTANTIATE_TEST_SUITE_P(Answers, OfferTrustTest,
                         ::testing::Values(AnswerCase{"trust", "btTrust", true},
                                           AnswerCase{"cancel", "btCancel", false}),
                         testsupport::ParamName());

// Enter alone must not trust a certificate.
TEST(TfrmTrustCertificate, EnterCancels) {
    TfrmTrustCertificate dialog("The certificate has expired", HostileCertificate());
    QTimer::singleShot(0, &dialog, [&dialog] {
        QTest::keyClick(&dialog, Qt::Key_Return);
        if (dialog.isVisible()) dialog.done(QDialog::Accepted + 1);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

}  // namespace
}  // namespace kelvane
