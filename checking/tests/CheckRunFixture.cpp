#include "CheckRunFixture.h"

#include "AccountSetup.h"
#include "EventPump.h"

namespace kelvane::checktest {

CheckRunFixture::CheckRunFixture()
    : store(folder.File("settings.conf")),
      spam(folder.path().string()),
      log([this] { return folder.File("log.txt"); }, [] { return LocalDateTime{}; }) {
    store.WriteString(settingkeys::Version161, "161");
    Configure(3, "unused.invalid", "bob", false);
    client.TimeOut = 2;
    run = std::make_unique<CheckRun>(spam, model, store, client, log, known, domains, front);
}

CheckRunFixture::~CheckRunFixture() {
    SetEventPump({});
}

void CheckRunFixture::Configure(int n, const std::string& address, const std::string& user,
                                bool check) {
    testsupport::ConfigureMailbox(store, model, n, address, user, check);
}

void CheckRunFixture::Serve(const Script& script) {
    server = std::make_unique<testsupport::ScriptedServer>(script);
    Configure(1, server->address(), "ann", true);
}

std::string CheckRunFixture::LogText() const {
    return testsupport::FileBytes(folder.File("log.txt"));
}

std::vector<int> CheckRunFixture::Marks() {
    std::vector<int> marks;
    for (const MessageEntry& row : run->rows()) marks.push_back(row.mark);
    return marks;
}

}  // namespace kelvane::checktest
