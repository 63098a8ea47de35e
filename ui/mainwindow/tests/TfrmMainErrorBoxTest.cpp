// Checks from the main window that end early: settings that stop the run before any connection,
// and a cancellation while the server is slow.
#include "CaseName.h"
#include "Loopback.h"
#include "Pop3Script.h"
#include "ScriptedServer.h"
#include "WindowRunFixture.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::Join;
using testsupport::ListingStart;
using testsupport::Login;
using testsupport::Top;

// A port on 127.0.0.1 that listens but never accepts: the kernel still completes a client's
// connection, so a pending one shows that somebody tried.
class SilentListener {
  public:
    SilentListener() {
        socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = testsupport::LoopbackAddress(0);
        socklen_t length = sizeof address;
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        if (socket_ < 0 || ::bind(socket_, raw, sizeof address) != 0 || ::listen(socket_, 4) != 0 ||
            ::getsockname(socket_, raw, &length) != 0) {
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        address_ = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    }
    ~SilentListener() { ::close(socket_); }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    const std::string& address() const { return address_; }
    bool ConnectionPending() const {
        pollfd entry{socket_, POLLIN, 0};
        return ::poll(&entry, 1, 0) > 0;
    }

  private:
    int socket_ = -1;
    std::string address_;
};

using TfrmMainErrorBoxTest = windowtest::WindowRunFixture;

// Mailbox 1's settings; an empty `server` stands for the listener's address.
struct SettingsCase {
    const char* name;
    const char* server;
    const char* user;
    bool check;
    const char* box;
};

void PrintTo(const SettingsCase& c, std::ostream* out) {
    *out << c.name;
}

class IncompleteSettingsTest : public TfrmMainErrorBoxTest,
                               public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(IncompleteSettingsTest, CheckShowsTheErrorAndContactsNoServer) {
    SilentListener listener;
    const std::string server = *GetParam().server ? GetParam().server : listener.address();
    Configure(1, server, GetParam().user, GetParam().check);

    QTest::mouseClick(button("btList"), Qt::LeftButton);

    EXPECT_THAT(boxes.shown, ElementsAre(std::string("error: ") + GetParam().box));
    EXPECT_FALSE(listener.ConnectionPending());
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(child<QLabel>("pnlStatus")->text(), "");
    EXPECT_EQ(listedRows(), 0);
    EXPECT_EQ(LogText(), "");
    ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IncompleteSettingsTest,
    ::testing::Values(SettingsCase{"NoMailboxChecked", "", "ann", false,
                                   "At least ONE mailbox needs to be checked."},
                      SettingsCase{"BlankUserName", "", "  ", true,
                                   "You need to enter your e-mail username in the settings."},
                      SettingsCase{
                          "BlankServer", " ", "ann", true,
                          "You need to enter the name of your mail server in the settings."}),
    testsupport::ParamName());

// The run is cancelled from the third button once the first row shows, while the server keeps
// silent about the second message.
TEST_F(TfrmMainErrorBoxTest, CancelDuringSlowListingLogsItAndEmptiesTheList) {
    testsupport::ScriptedServer server(Join({Login("+OK 2 300"),
                                             ListingStart({100, 200}),
                                             Top(1, {"From: ann@friends.test", "Subject: lunch"}),
                                             {"C: TOP 2 1", "silence"}}));
    Configure(1, server.address(), "ann", true);
    int rowsWhenCancelled = -1;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (listedRows() == 0 || button("btExit")->text() != "Cancel") return;
        poll.stop();
        rowsWhenCancelled = listedRows();
        QTest::mouseClick(button("btExit"), Qt::LeftButton);
    });
    poll.start();

    QTest::mouseClick(button("btList"), Qt::LeftButton);

    EXPECT_EQ(rowsWhenCancelled, 1);
    EXPECT_THAT(boxes.shown, ElementsAre("error: Operation has been canceled"));
    EXPECT_EQ(listedRows(), 0);
    EXPECT_TRUE(run.rows().empty());
    ExpectIdle();

    const std::string where = " FOR ann ON " + server.address() + " AT ";
    const std::string text = LogText();
    const std::size_t cancelled = text.find("OPERATION CANCELED" + where);
    const std::size_t error = text.find("ERROR Operation has been canceled" + where);
    EXPECT_NE(cancelled, std::string::npos) << text;
    EXPECT_NE(error, std::string::npos) << text;
    EXPECT_LT(cancelled, error) << text;
    EXPECT_THAT(text, Not(HasSubstr("MAIL CHECK")));
}

}  // namespace
}  // namespace kelvane
