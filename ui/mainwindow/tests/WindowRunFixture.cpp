#include "WindowRunFixture.h"

#include <QApplication>
#include <QTest>

#include "AccountSetup.h"
#include "EventPump.h"
#include "LocaleListDate.h"
#include "TfrmRetrieving.h"

namespace kelvane::windowtest {

WatchedFrontEnd::WatchedFrontEnd(TfrmMain& window, MessageBoxes& boxes)
    : WindowFrontEnd(window, boxes), window_(window) {}

void WatchedFrontEnd::ShowStatus(const std::string& text) {
    WindowFrontEnd::ShowStatus(text);
    panelTexts.push_back(window_.findChild<QLabel*>("pnlStatus")->text().toStdString());
    rowCounts.push_back(window_.findChild<QTreeView*>("ListView1")->model()->rowCount());
    const auto* title = window_.progressWindow().findChild<QLabel*>("lblTitle");
    progressTitles.push_back(title->isVisible() ? title->text().toStdString() : "");
}

WindowRunFixture::WindowRunFixture()
    : store(folder.File("settings.conf")),
      spam(folder.path().string()),
      log([this] { return folder.File("log.txt"); }, [] { return LocalDateTime{}; }),
      front(window, boxes),
      run(spam, model, store, client, log, known, domains, front) {
    store.WriteString(settingkeys::Version161, "161");
    Configure(3, "unused.invalid", "bob", false);
    // A loaded machine must not turn a slow reply into a failed run.
    client.TimeOut = 10;
    run.SetDateFormatter(LocaleListDate(QLocale(QLocale::English, QLocale::UnitedStates)));
    front.setRun(&run);
    window.attachRun(run, boxes);
    SetEventPump([] { QCoreApplication::processEvents(); });
}

WindowRunFixture::~WindowRunFixture() {
    SetEventPump({});
}

void WindowRunFixture::SetUp() {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

void WindowRunFixture::Configure(int n, const std::string& address, const std::string& user,
                                 bool check) {
    testsupport::ConfigureMailbox(store, model, n, address, user, check);
}

std::string WindowRunFixture::LogText() const {
    return testsupport::FileBytes(folder.File("log.txt"));
}

QString WindowRunFixture::cellText(int row, int column) {
    return list()->model()->index(row, column).data().toString();
}

std::vector<std::string> WindowRunFixture::ListedSubjects() {
    std::vector<std::string> subjects;
    for (int i = 0; i < listedRows(); ++i) subjects.push_back(cellText(i, 0).toStdString());
    return subjects;
}

void WindowRunFixture::ExpectIdle() {
    EXPECT_EQ(button("btExit")->text(), "E&xit");
    EXPECT_TRUE(button("btList")->isEnabled());
    EXPECT_FALSE(window.progressWindow().isVisible());
    EXPECT_TRUE(window.isVisible());
}

}  // namespace kelvane::windowtest
