#include "CaseName.h"
#include "TfrmRetrieving.h"
#include "WindowRunFixture.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <functional>
#include <ostream>
#include <string>

namespace kelvane {
namespace {

// A server reply with a terminal escape, markup, a TAB and a C1 control.
const std::string kOutside = "-ERR \x1b[2J<b>gone</b>\t\xC2\x9B";
const QString kShown = "-ERR  [2J<b>gone</b>  ";

// Every label a run writes outside text to shows it made safe and as plain text.
struct LabelCase {
    const char* name;
    std::function<void(WindowFrontEnd&, TmsRemotePOP&)> show;
    const char* label;
};

void PrintTo(const LabelCase& c, std::ostream* out) {
    *out << c.name;
}

class ShownLabelTest : public windowtest::WindowRunFixture,
                       public ::testing::WithParamInterface<LabelCase> {};

TEST_P(ShownLabelTest, ShowsOutsideTextSafelyAsPlainText) {
    client.UserName = "ann";
    client.Server = "pop.example.org";
    GetParam().show(front, client);

    // The progress window's labels are looked up there: the main window has a title label too.
    QLabel* label = window.progressWindow().findChild<QLabel*>(QLatin1String(GetParam().label));
    if (label == nullptr) label = child<QLabel>(GetParam().label);
    EXPECT_EQ(label->text(), kShown);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, ShownLabelTest,
    ::testing::Values(
        LabelCase{"status", [](WindowFrontEnd& f, TmsRemotePOP&) { f.ShowStatus(kOutside); },
                  "pnlStatus"},
        // The run's title shows, whether the window appears with it or was up already.
        LabelCase{"progress-title-on-showing",
                  [](WindowFrontEnd& f, TmsRemotePOP&) { f.ShowProgressWindow(kOutside); },
                  "lblTitle"},
        LabelCase{"progress-title-while-shown",
                  [](WindowFrontEnd& f, TmsRemotePOP&) {
                      f.ShowProgressWindow("Retrieving messages ... standby");
                      f.ShowProgressWindow(kOutside);
                  },
                  "lblTitle"},
        LabelCase{"progress-message",
                  [](WindowFrontEnd& f, TmsRemotePOP&) {
                      f.ShowProgressWindow("Retrieving messages ... standby");
                      f.ShowProgressMessage(kOutside);
                  },
                  "lblMsg"},
        LabelCase{"progress-mailbox",
                  [](WindowFrontEnd& f, TmsRemotePOP& client) {
                      client.UserName = kOutside;
                      f.ShowProgressWindow("Retrieving messages ... standby");
                  },
                  "lblMailbox"},
        LabelCase{"progress-server",
                  [](WindowFrontEnd& f, TmsRemotePOP& client) {
                      client.Server = kOutside;
                      f.ShowProgressWindow("Retrieving messages ... standby");
                  },
                  "lblServer"}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane
