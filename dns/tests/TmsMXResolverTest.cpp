#include "TmsMXResolver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "CaseName.h"
#include "DnsAnswers.h"
#include "DnsmasqServer.h"
#include "EventPump.h"
#include "Loopback.h"
#include "ResolverOutcome.h"
#include "UdpFakeDns.h"

namespace kelvane {
namespace {

using namespace dnsanswers;
using ::testing::ElementsAre;
using testsupport::DnsmasqServer;
using testsupport::UdpFakeDns;

template <class Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

using Answer = std::function<std::string(const std::string& query)>;

// A resolver pointed at 127.0.0.1:`port`, asking about "ab.cde" with a one-second time-out;
// its events are written to `events` as they fire, each checked to come from it.
class ResolverUnderTest {
  public:
    explicit ResolverUnderTest(std::uint16_t port) {
        resolver.DNSAddress = "127.0.0.1";
        resolver.Port = port;
        resolver.Domain = "ab.cde";
        resolver.TimeOut = 1;
        resolver.OnSendingQuery = Recorder("sending");
        resolver.OnWaitingForResponse = Recorder("waiting");
        resolver.OnClosingConnection = Recorder("closing");
    }

    std::string Resolve() {
        return Outcome([this] {
            resolver.Resolve();
            return resolver.MXList();
        });
    }

    TmsMXResolver resolver;
    std::vector<std::string> events;

  private:
    std::function<void(TmsMXResolver&)> Recorder(std::string name) {
        return [this, name](TmsMXResolver& sender) {
            events.push_back(&sender == &resolver ? name : name + " from another sender");
        };
    }
};

// Answers every query with `answer` of it.
UdpFakeDns::Handler Always(Answer answer) {
    return [answer](const std::string& query) { return std::optional(answer(query)); };
}

std::string TwoExchangers(const std::string& query) {
    return Reply(query, 2) + Mx(20, Name("mx1.ab.cde")) + Mx(10, Name("mx2.ab.cde"));
}

TEST(TmsMXResolver, AsksOnceWithTheMxQueryAndAFreshIdEachTime) {
    UdpFakeDns server(Always(TwoExchangers));
    ResolverUnderTest lookup(server.port());
    for (int i = 0; i < 8; ++i) ASSERT_EQ(lookup.Resolve(), "ok: 10 mx2.ab.cde., 20 mx1.ab.cde.");
    std::set<std::uint16_t> ids;
    for (const std::string& query : server.queries()) {
        ASSERT_GE(query.size(), 2u);
        EXPECT_EQ(query, BuildMxQuery(IdOf(query), "ab.cde"));
        ids.insert(IdOf(query));
    }
    EXPECT_EQ(server.queries().size(), 8u) << "one datagram per lookup";
    EXPECT_GT(ids.size(), 1u) << "the same ID for every query";
}

// Installs an event pump for the life of the object.
class ScopedEventPump {
  public:
    explicit ScopedEventPump(EventPump pump) { SetEventPump(std::move(pump)); }
    ~ScopedEventPump() { SetEventPump(nullptr); }
};

TEST(TmsMXResolver, KeepsTheWindowsLiveWhileWaiting) {
    UdpFakeDns server([](const std::string&) { return std::nullopt; });
    ResolverUnderTest lookup(server.port());
    int pumped = 0;
    const ScopedEventPump pump([&] { ++pumped; });
    lookup.Resolve();
    EXPECT_GT(pumped, 1);
}

struct GoodCase {
    const char* name;
    Answer answer;
    std::string outcome;
};

class GoodAnswers : public ::testing::TestWithParam<GoodCase> {};

TEST_P(GoodAnswers, GiveTheExchangersLowestPreferenceFirst) {
    UdpFakeDns server(Always(GetParam().answer));
    ResolverUnderTest lookup(server.port());
    EXPECT_EQ(lookup.Resolve(), GetParam().outcome);
    EXPECT_THAT(lookup.events, ElementsAre("sending", "waiting", "closing"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GoodAnswers,
    ::testing::Values(
        GoodCase{"two-exchangers", TwoExchangers, "ok: 10 mx2.ab.cde., 20 mx1.ab.cde."},
        GoodCase{"equal-preferences-keep-their-order",
                 [](const std::string& q) {
                     return Reply(q, 3) + Mx(30, Name("c.ab.cde")) + Mx(5, Name("b.ab.cde")) +
                            Mx(30, Name("a.ab.cde"));
                 },
                 "ok: 5 b.ab.cde., 30 c.ab.cde., 30 a.ab.cde."},
        GoodCase{
            "compressed-exchange",
            [](const std::string& q) { return Reply(q, 1) + Mx(10, "\x04mail" + Pointer(12)); },
            "ok: 10 mail.ab.cde."},
        GoodCase{"exists-without-mx", [](const std::string& q) { return Reply(q, 0); }, "ok: "}),
    testsupport::ParamName());

struct BadCase {
    const char* name;
    Answer answer;
    std::string outcome;
};

class BadAnswers : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadAnswers, RaiseAndStillCloseTheSocket) {
    UdpFakeDns server(Always(GetParam().answer));
    ResolverUnderTest lookup(server.port());
    EXPECT_EQ(lookup.Resolve(), GetParam().outcome);
    EXPECT_THAT(lookup.events, ElementsAre("sending", "waiting", "closing"));
    EXPECT_TRUE(lookup.resolver.MXList().empty());
}

// An answer to `query` with response code `rcode` and no records.
Answer WithCode(std::uint16_t rcode) {
    return [rcode](const std::string& q) {
        return Reply(q, 0, static_cast<std::uint16_t>(kAnswerFlags | rcode));
    };
}

// An answer carrying another question.
Answer Asking(std::string name, std::uint16_t type, std::uint16_t klass) {
    return [=](const std::string& q) {
        return Header(IdOf(q), kAnswerFlags, 1) + Name(name) + U16(type) + U16(klass) +
               Mx(10, Name("mx.ab.cde"));
    };
}

const std::string kMalformed = ResolverError(0, kAnswerMalformed);
const std::string kMismatch = ResolverError(0, kAnswerDoesNotMatch);

INSTANTIATE_TEST_SUITE_P(
    Cases, BadAnswers,
    ::testing::Values(
        BadCase{"other-id",
                [](const std::string& q) {
                    return Header(static_cast<std::uint16_t>(IdOf(q) ^ 1), kAnswerFlags, 0) +
                           q.substr(kQuestionOffset);
                },
                ResolverError(0, kIdsDiffer)},
        BadCase{"response-bit-not-set", [](const std::string& q) { return Reply(q, 0, 0x0180); },
                ResolverError(0, kNotAResponse)},
        BadCase{"rcode-1", WithCode(1),
                ResolverError(1, "Domain server was unable to interpret a query")},
        BadCase{"rcode-2", WithCode(2), ResolverError(2, "Domain server failure")},
        BadCase{"rcode-3", WithCode(3), ResolverError(3, "Domain name does not exist")},
        BadCase{"rcode-4", WithCode(4), ResolverError(4, "Not implemented")},
        BadCase{"rcode-5", WithCode(5),
                ResolverError(5, "Domain server refused to return the information")},
        BadCase{"rcode-6", WithCode(6), ResolverError(6, "Domain server Error #6")},
        BadCase{"rcode-15", WithCode(15), ResolverError(15, "Domain server Error #15")},
        BadCase{"other-name", Asking("ab.cdf", 15, 1), kMismatch},
        BadCase{"longer-name", Asking("x.ab.cde", 15, 1), kMismatch},
        BadCase{"other-type", Asking("ab.cde", 1, 1), kMismatch},
        BadCase{"other-class", Asking("ab.cde", 15, 3), kMismatch},
        BadCase{"no-question",
                [](const std::string& q) { return Header(IdOf(q), kAnswerFlags, 0, 0); },
                kMismatch},
        BadCase{"two-questions",
                [](const std::string& q) {
                    return Header(IdOf(q), kAnswerFlags, 0, 2) + q.substr(kQuestionOffset) +
                           q.substr(kQuestionOffset);
                },
                kMismatch},
        BadCase{"compression-loop",
                [](const std::string& q) { return Reply(q, 1) + Mx(10, Pointer(38)); }, kMalformed},
        BadCase{"pointer-outside-the-datagram",
                [](const std::string& q) { return Reply(q, 1) + Mx(10, Pointer(0x3FFF)); },
                kMalformed},
        BadCase{"empty-datagram", [](const std::string&) { return std::string(); }, kMalformed}),
    testsupport::ParamName());

TEST(TmsMXResolver, AnswerCutAtAnyByteIsRefusedWithoutCrashing) {
    std::atomic<std::size_t> cut{0};
    UdpFakeDns server(
        Always([&cut](const std::string& q) { return TwoExchangers(q).substr(0, cut.load()); }));
    ResolverUnderTest lookup(server.port());
    const std::size_t full = TwoExchangers(BuildMxQuery(0, "ab.cde")).size();
    for (cut = 0; cut < full; ++cut)
        EXPECT_EQ(lookup.Resolve(), kMalformed) << "cut at " << cut.load();
    EXPECT_EQ(lookup.Resolve(), "ok: 10 mx2.ab.cde., 20 mx1.ab.cde.") << "the whole answer";
}

TEST(TmsMXResolver, SilenceTimesOutAndClosesTheSocket) {
    UdpFakeDns server([](const std::string&) { return std::nullopt; });
    ResolverUnderTest lookup(server.port());
    EXPECT_EQ(lookup.Resolve(), "ETimedOutError: Operation timed out");
    EXPECT_THAT(lookup.events, ElementsAre("sending", "waiting", "closing"));
    EXPECT_EQ(server.queries().size(), 1u);
}

TEST(TmsMXResolver, AnswerFromAnotherPortIsIgnored) {
    const Answer forged = [](const std::string& q) {
        return Reply(q, 1) + Mx(1, Name("forged.example"));
    };
    UdpFakeDns server(Always(TwoExchangers), Always(forged));
    ResolverUnderTest lookup(server.port());
    EXPECT_EQ(lookup.Resolve(), "ok: 10 mx2.ab.cde., 20 mx1.ab.cde.");
}

TEST(TmsMXResolver, FailedLookupEmptiesTheList) {
    std::atomic<bool> refuse{false};
    UdpFakeDns server(Always(
        [&refuse](const std::string& q) { return refuse ? WithCode(5)(q) : TwoExchangers(q); }));
    ResolverUnderTest lookup(server.port());
    ASSERT_EQ(lookup.Resolve(), "ok: 10 mx2.ab.cde., 20 mx1.ab.cde.");
    refuse = true;
    lookup.Resolve();
    EXPECT_TRUE(lookup.resolver.MXList().empty());
}

TEST(TmsMXResolver, RefusedPortIsASocketErrorWithItsNumber) {
    // Nothing listens there, so the kernel refuses the query.
    ResolverUnderTest lookup(testsupport::FreeLoopbackPort(SOCK_DGRAM));
    EXPECT_EQ(lookup.Resolve(), "ESocketError: Error #" + std::to_string(ECONNREFUSED));
    EXPECT_THAT(lookup.events, ElementsAre("sending", "waiting", "closing"));
}

TEST(TmsMXResolver, ServerThatIsNotAnAddressFailsBeforeOpening) {
    ResolverUnderTest lookup(53);
    lookup.resolver.DNSAddress = "dns.example";
    EXPECT_EQ(lookup.Resolve(), std::string("ESocketError: ") + kErrorResolvingRemoteHost);
    EXPECT_THAT(lookup.events, ElementsAre("sending")) << "no socket, so nothing to close";
}

TEST(TmsMXResolver, NameThatCannotBeAskedForIsRefusedBeforeSending) {
    UdpFakeDns server(Always(TwoExchangers));
    for (const std::string& domain :
         std::vector<std::string>{"", "ab..cde", std::string(64, 'a') + ".cde"}) {
        ResolverUnderTest lookup(server.port());
        lookup.resolver.Domain = domain;
        EXPECT_EQ(lookup.Resolve(), ResolverError(0, kInvalidDomainName)) << domain;
        EXPECT_TRUE(lookup.events.empty()) << domain;
    }
    EXPECT_TRUE(server.queries().empty());
}

// A private dnsmasq that knows the zone "test" and nothing else: mail.test has two mail
// exchangers, plain.test an address only; any other name in it does not exist.
struct ZoneCase {
    const char* name;
    std::string domain;
    std::string outcome;
};

class AgainstDnsmasq : public ::testing::TestWithParam<ZoneCase> {
  protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<DnsmasqServer>(std::vector<std::string>{
            "--local=/test/", "--mx-host=mail.test,mx1.mail.test,20",
            "--mx-host=mail.test,mx2.mail.test,10", "--host-record=plain.test,127.0.0.5"});
        unavailable_ = server_->Start();
    }
    static void TearDownTestSuite() { server_.reset(); }
    void SetUp() override {
        if (!unavailable_.empty()) GTEST_SKIP() << unavailable_;
    }

    static std::unique_ptr<DnsmasqServer> server_;
    static std::string unavailable_;
};

std::unique_ptr<DnsmasqServer> AgainstDnsmasq::server_;
std::string AgainstDnsmasq::unavailable_;

TEST_P(AgainstDnsmasq, AnswersAsTheZoneSays) {
    ResolverUnderTest lookup(server_->port());
    lookup.resolver.Domain = GetParam().domain;
    lookup.resolver.TimeOut = 2;
    EXPECT_EQ(lookup.Resolve(), GetParam().outcome) << server_->LogTail();
    EXPECT_THAT(lookup.events, ElementsAre("sending", "waiting", "closing"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AgainstDnsmasq,
    ::testing::Values(
        ZoneCase{"two-exchangers", "mail.test", "ok: 10 mx2.mail.test., 20 mx1.mail.test."},
        ZoneCase{"name-in-capitals", "MAIL.Test", "ok: 10 mx2.mail.test., 20 mx1.mail.test."},
        ZoneCase{"exists-without-mx", "plain.test", "ok: "},
        ZoneCase{"does-not-exist", "nope.test", ResolverError(3, "Domain name does not exist")},
        ZoneCase{"outside-its-zone", "example.com",
                 ResolverError(5, "Domain server refused to return the information")}),
    testsupport::ParamName());

}  // namespace
}  // namespace kelvane
