// A token request that the provider never answers: the run waits like any other wait, so a
// Cancel ends it at once instead of after the request's own time-out.
#include <gmock/gmock.h>

#include <chrono>

#include "CheckRunFixture.h"
#include "EventPump.h"
#include "MailErrors.h"
#include "MemoryKeyring.h"
#include "SettingsKeys.h"

namespace kelvane::checktest {
namespace {

using OAuthTokenWaitTest = CheckRunFixture;

TEST_F(OAuthTokenWaitTest, ACancelEndsAWaitForTheTokenEndpoint) {
    testsupport::ScriptedServer provider({"silence"});
    testsupport::ScriptedServer pop({"quiet 300"});
    Configure(1, pop.address(), "ann", true);
    store.Write([&](SettingsWriter& writer) {
        writer.WriteInteger(settingkeys::SignInN, 1, 1);
        writer.WriteString(settingkeys::OAuthProviderN, "custom", 1);
        writer.WriteString(settingkeys::OAuthAuthorizeUrlN, "http://" + provider.address() + "/a",
                           1);
        writer.WriteString(settingkeys::OAuthTokenUrlN, "http://" + provider.address() + "/token",
                           1);
        writer.WriteString(settingkeys::OAuthClientIdN, "kelvane-test", 1);
    });
    MemoryKeyring keyring;
    keyring.kept[{pop.address(), "ann", SecretKind::RefreshToken}] = "refresh-token";
    run->SetSecretStore(&keyring);
    int pumps = 0;
    SetEventPump([&] {
        if (++pumps == 3) run->Cancel();
    });

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(run->Check(), RunOutcome::Failed);
    SetEventPump({});
    // Well under the request's own 30 s: the wait ended on the cancel, not on the time-out.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(run->lastError(), kOperationCanceled);
    EXPECT_TRUE(pop.received().empty());
}

}  // namespace
}  // namespace kelvane::checktest
