#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "PrivateKeyring.h"
#include "SecretServiceStore.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using testsupport::PrivateKeyring;
using testsupport::PrivateSessionBus;
using testsupport::TempFolder;

constexpr auto kTestWait = std::chrono::milliseconds(1500);
// Far beyond the waits the store is given, far below a hang (the keyring waits on a prompt
// without end, D-Bus calls for 25 s).
constexpr auto kNoHang = std::chrono::seconds(12);

SecretServiceOptions OptionsFor(const std::string& busAddress) {
    SecretServiceOptions options;
    options.busAddress = busAddress;
    options.reachWait = kTestWait;
    options.answerWait = kTestWait;
    return options;
}

// The text of the SecretStoreError `call` throws; fails the test when it throws none.
template <typename Call>
std::string ErrorOf(Call call) {
    try {
        call();
    } catch (const SecretStoreError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no SecretStoreError";
    return {};
}

class SecretServiceStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string missing = testsupport::KeyringProgramsMissing();
        if (!missing.empty()) GTEST_SKIP() << "No private keyring for this test: " << missing;
        keyring_ = std::make_unique<PrivateKeyring>();
        store_ = MakeSecretServiceStore(OptionsFor(keyring_->BusAddress()));
    }

    std::unique_ptr<PrivateKeyring> keyring_;
    std::unique_ptr<SecretStore> store_;
};

TEST_F(SecretServiceStoreTest, KeepsReplacesAndRemovesASecret) {
    const SecretKey key{"pop.example.org:995", "ann", SecretKind::Password};
    EXPECT_TRUE(store_->Available());
    EXPECT_EQ(store_->Lookup(key), std::nullopt);

    store_->Store(key, "first secret", "Kelvane: ann on pop.example.org");
    EXPECT_EQ(store_->Lookup(key), "first secret");

    // Any bytes a password may hold come back as they went in.
    const std::string odd = "p\xC3\xA4ss w\xC3\xB6rd \"'\\;$(x)\t" + std::string(500, 'z');
    store_->Store(key, odd, "Kelvane: ann on pop.example.org");
    EXPECT_EQ(store_->Lookup(key), odd);

    // The replacement left no second item behind: once removed, nothing is found.
    EXPECT_TRUE(store_->Remove(key));
    EXPECT_EQ(store_->Lookup(key), std::nullopt);
    EXPECT_FALSE(store_->Remove(key));
}

TEST_F(SecretServiceStoreTest, KeepsMailboxesAndKindsApart) {
    const std::vector<SecretKey> keys{
        {"pop.example.org", "ann", SecretKind::Password},
        {"pop.example.org", "ann", SecretKind::RefreshToken},
        {"pop.example.org", "bob", SecretKind::Password},
        {"pop.example.org:995", "ann", SecretKind::Password},
        {"pop.example.net", "ann", SecretKind::Password},
    };
    for (std::size_t i = 0; i < keys.size(); ++i)
        store_->Store(keys[i], "secret " + std::to_string(i), "Kelvane test");
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(store_->Lookup(keys[i]), "secret " + std::to_string(i)) << "key " << i;

    EXPECT_TRUE(store_->Remove(keys[0]));
    EXPECT_EQ(store_->Lookup(keys[0]), std::nullopt);
    for (std::size_t i = 1; i < keys.size(); ++i)
        EXPECT_EQ(store_->Lookup(keys[i]), "secret " + std::to_string(i)) << "key " << i;
}

TEST_F(SecretServiceStoreTest, FollowsTheKeyringWhenItRestarts) {
    const SecretKey key{"pop.example.org", "ann", SecretKind::Password};
    store_->Store(key, "kept secret", "Kelvane test");
    // The store's link to the old keyring process is stale now; it must reach the new one.
    keyring_->Restart();
    EXPECT_EQ(store_->Lookup(key), "kept secret");
    store_->Store(key, "new secret", "Kelvane test");
    EXPECT_EQ(store_->Lookup(key), "new secret");
}

// Every call on a locked keyring whose prompt gets no yes ends with a plain error naming the lock,
// without the secret, and in time.
void ExpectLockedEverywhere(SecretStore& store, const SecretKey& key, const std::string& secret) {
    const auto started = std::chrono::steady_clock::now();
    const std::vector<std::pair<const char*, std::function<void()>>> calls{
        {"Lookup", [&] { store.Lookup(key); }},
        {"Store", [&] { store.Store(key, "another " + secret, "Kelvane test"); }},
        {"Remove", [&] { store.Remove(key); }},
    };
    for (const auto& [name, call] : calls) {
        const std::string text = ErrorOf(call);
        EXPECT_THAT(text, HasSubstr("locked")) << name;
        EXPECT_THAT(text, Not(HasSubstr(secret))) << name;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, kNoHang);
    // What is not kept needs no unlocking.
    EXPECT_EQ(store.Lookup({"pop.example.org", "nobody", SecretKind::Password}), std::nullopt);
}

TEST_F(SecretServiceStoreTest, ALockedKeyringWhosePromptIsRefusedIsAClearError) {
    const SecretKey key{"pop.example.org", "ann", SecretKind::Password};
    store_->Store(key, "locked away", "Kelvane test");
    keyring_->LockDefaultCollection();
    // No prompter runs here, so the keyring dismisses its prompt at once.
    ExpectLockedEverywhere(*store_, key, "locked away");
}

TEST_F(SecretServiceStoreTest, ALockedKeyringWhosePromptIsNeverAnsweredEndsInTime) {
    const SecretKey key{"pop.example.org", "ann", SecretKind::Password};
    store_->Store(key, "locked away", "Kelvane test");
    keyring_->LockDefaultCollection();
    keyring_->PromptWithoutAnswer();
    // The caller's window keeps being served while the prompt waits.
    int waits = 0;
    SecretServiceOptions options = OptionsFor(keyring_->BusAddress());
    options.wait = [&waits] { ++waits; };
    store_ = MakeSecretServiceStore(options);

    const auto started = std::chrono::steady_clock::now();
    const std::string text = ErrorOf([&] { store_->Lookup(key); });
    EXPECT_THAT(text, HasSubstr("locked and was not unlocked within"));
    EXPECT_GT(waits, 1);
    EXPECT_THAT(text, Not(HasSubstr("locked away")));
    // The store gives up on the prompt, which this keyring version does not survive when its
    // prompter never answered at all; the next call says what it finds, and in time too.
    EXPECT_THAT(ErrorOf([&] { store_->Store(key, "another", "Kelvane test"); }), Not(IsEmpty()));
    EXPECT_LT(std::chrono::steady_clock::now() - started, kNoHang);
}

// Sets an environment variable for the scope, or unsets it for an empty value.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value.empty())
            ::unsetenv(name);
        else
            ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// A unix socket that takes connections and never says a word.
class SilentSocket {
  public:
    explicit SilentSocket(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd_, 8) != 0)
            throw std::runtime_error("cannot listen on " + path);
    }
    ~SilentSocket() { ::close(fd_); }

  private:
    int fd_ = -1;
};

// Where no keyring answers, every call says so plainly and none waits long: no session bus, a
// bus nobody listens on, a bus that never answers, a bus without a Secret Service.
TEST(SecretServiceStoreWithoutKeyring, SaysSoQuickly) {
    TempFolder folder;
    SilentSocket silent(folder.File("silent"));
    struct Case {
        const char* name;
        std::string busAddress;
        bool needsBus;
    };
    const std::vector<Case> cases{
        {"no session bus at all", "", false},
        {"nothing at the address", "unix:path=" + folder.File("nothing"), false},
        {"a bus that never answers", "unix:path=" + folder.File("silent"), false},
        {"a bus without a Secret Service", "", true},
    };
    const bool busInstalled = !testsupport::InstalledProgram("dbus-daemon").empty();
    const SecretKey key{"pop.example.org", "ann", SecretKind::Password};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsBus && !busInstalled) {
            std::cout << "[  SKIPPED ] " << c.name << ": dbus-daemon is not installed\n";
            continue;
        }
        std::unique_ptr<PrivateSessionBus> bus;
        if (c.needsBus) bus = std::make_unique<PrivateSessionBus>();
        // The environment names the bus, as it does for the programs.
        ScopedVariable address("DBUS_SESSION_BUS_ADDRESS", bus ? bus->Address() : c.busAddress);
        ScopedVariable runtime("XDG_RUNTIME_DIR", folder.path().string());
        SecretServiceOptions options;
        options.reachWait = kTestWait;
        options.answerWait = kTestWait;
        auto store = MakeSecretServiceStore(options);

        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(store->Available());
        EXPECT_THAT(ErrorOf([&] { store->Lookup(key); }), HasSubstr("No desktop keyring"));
        EXPECT_THAT(ErrorOf([&] { store->Store(key, "secret", "label"); }),
                    HasSubstr("No desktop keyring"));
        EXPECT_THAT(ErrorOf([&] { store->Remove(key); }), HasSubstr("No desktop keyring"));
        EXPECT_LT(std::chrono::steady_clock::now() - started, kNoHang);
    }
}

}  // namespace
}  // namespace kelvane
