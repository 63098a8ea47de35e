#include "CaseName.h"
#include "EventPump.h"
#include "TfrmRetrieving.h"
#include "WindowRunFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QLabel>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

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

using WindowFrontEndTest = windowtest::WindowRunFixture;

// Rows read from kept header blocks come with no network wait between them: each is in the list
// before the window handles its events, so that the list fills and a Cancel is seen meanwhile.
TEST_F(WindowFrontEndTest, EachArrivingRowIsListedBeforeTheWindowHandlesItsEvents) {
    std::vector<int> listedAtPump;
    SetEventPump([&] { listedAtPump.push_back(listedRows()); });
    for (int i = 0; i < 3; ++i) {
        run.rows().push_back({"lunch", "ann@example.org", "100", "3/1/2024"});
        front.RowAppended(i);
    }
    EXPECT_THAT(listedAtPump, ::testing::ElementsAre(1, 2, 3));
}

}  // namespace
}  // namespace kelvane
