// How long one check of a large mailbox takes: UpdateInfo over 2,000 messages with realistic
// header blocks (Received chains, DKIM signatures, MIME fields), served by a private Dovecot.
//   Pop3ListingBench [--runs=N] [--messages=M] [benchmark flags]
//       start and fill a Dovecot (needs root), then list its mailbox N times (default 7)
//   Pop3ListingBench --serve [--messages=M]
//       start and fill a Dovecot, print "ADDRESS USER PASSWORD", serve until stdin closes
//   Pop3ListingBench --server=ADDRESS --user=NAME --password=TEXT [--runs=N] [benchmark flags]
//       list the mailbox of a running server, such as one from --serve
//   Pop3ListingBench --tls [--runs=N] [--messages=M] [benchmark flags]
//       start and fill a Dovecot that also serves TLS from the first byte, with a test authority
//       and certificate made for the run, then list its mailbox over plain text and over TLS
// --messages fills the mailbox with M messages instead of 2,000.
// bench/pop3-listing.sh runs it next to a plain client, bench/pop3_reference.py;
// bench/pop3-tls-listing.sh compares plain text with TLS.
#include <benchmark/benchmark.h>

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "DovecotServer.h"
#include "TestCertificates.h"
#include "TmsRemotePOP.h"

namespace {

using kelvane::testsupport::DovecotServer;

int messageCount = 2000;
constexpr const char* kUser = "bench";
constexpr const char* kPassword = "bench-pass";

struct Target {
    std::string address;
    std::string tlsAddress;  // only with --tls
    std::string user = kUser;
    std::string password = kPassword;
};
Target target;

class MessageMaker {
  public:
    // Message `n` of the mailbox: a header block of 1-2 KB and a body of a few KB, CR LF ends.
    std::string Message(int n) {
        std::string m = "Return-Path: <" + Sender(n) + ">\r\n";
        const int hops = 2 + static_cast<int>(random_() % 3);
        for (int hop = 0; hop < hops; ++hop) m += Received(n, hop);
        m += Signature(n);
        m += "Authentication-Results: mx.example.net;\r\n\tdkim=pass header.d=example.com;\r\n"
             "\tspf=pass smtp.mailfrom=" +
             Sender(n) + ";\r\n\tdmarc=pass header.from=example.com\r\n";
        m += "From: \"Sender " + std::to_string(n) + "\" <" + Sender(n) + ">\r\n";
        m += "To: Ann Example <ann@example.net>\r\n";
        m += n % 4 == 0
                 ? "Subject: =?UTF-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?= " + std::to_string(n) + "\r\n"
                 : "Subject: Offer number " + std::to_string(n) + " for you\r\n";
        m += "Date: Mon, 4 Mar 2024 10:" + TwoDigits(n % 60) + ":00 +0100\r\n";
        m += "Message-ID: <" + std::to_string(n) + "." + Word(16) + "@mail.example.com>\r\n";
        const std::string boundary = "b1_" + Word(24);
        m += "MIME-Version: 1.0\r\nContent-Type: multipart/alternative;\r\n\tboundary=\"" +
             boundary + "\"\r\nX-Mailer: Example Mailer 4.2\r\n";
        m += "List-Unsubscribe: <https://example.com/unsubscribe/" + Word(32) + ">\r\n\r\n";
        return m + Body(boundary, 2048 + static_cast<int>(random_() % 4096));
    }

  private:
    static std::string Sender(int n) { return "news" + std::to_string(n % 97) + "@example.com"; }
    static std::string TwoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

    std::string Word(int length) {
        static const char kLetters[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        std::string word;
        for (int i = 0; i < length; ++i) word += kLetters[random_() % 62];
        return word;
    }

    std::string Received(int n, int hop) {
        return "Received: from relay" + std::to_string(hop) + ".example.com (relay" +
               std::to_string(hop) + ".example.com [198.51.100." + std::to_string(hop + 10) +
               "])\r\n\tby mx" + std::to_string(hop + 1) +
               ".example.net (Postfix) with ESMTPS id " + Word(10) +
               "\r\n\tfor <ann@example.net>; " + "Mon, 4 Mar 2024 10:" + TwoDigits((n + hop) % 60) +
               ":00 +0100 (CET)\r\n";
    }

    std::string Signature(int n) {
        std::string s =
            "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed; d=example.com;\r\n"
            "\ts=selector" +
            std::to_string(n % 3) +
            "; t=1709542800; h=from:to:subject:date:message-id:mime-version;\r\n"
            "\tbh=" +
            Word(43) + "=;\r\n\tb=";
        for (int line = 0; line < 4; ++line) s += Word(68) + (line < 3 ? "\r\n\t" : "==\r\n");
        return s;
    }

    std::string Body(const std::string& boundary, int size) {
        std::string body = "--" + boundary + "\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n";
        while (static_cast<int>(body.size()) < size) body += Word(70) + "\r\n";
        return body + "--" + boundary + "--\r\n";
    }

    std::mt19937 random_{20240304};
};

void Fill(DovecotServer& server) {
    server.AddUser(kUser, kPassword);
    server.NameWithSizes();
    MessageMaker maker;
    for (int n = 1; n <= messageCount; ++n) server.AddMessage(kUser, maker.Message(n));
}

// One check of the mailbox; returns the number of messages listed.
int ListOnce(kelvane::PopSecurity security = kelvane::PopSecurity::Plain) {
    kelvane::TmsRemotePOP pop;
    pop.Security = security;
    pop.Server = security == kelvane::PopSecurity::Implicit ? target.tlsAddress : target.address;
    pop.UserName = target.user;
    pop.Password = target.password;
    pop.TimeOut = 30;
    pop.UpdateInfo();
    return pop.Info().Count();
}

void BM_UpdateInfo(benchmark::State& state, kelvane::PopSecurity security) {
    int listed = 0;
    for (auto _ : state) {
        try {
            listed = ListOnce(security);
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            break;
        }
    }
    state.counters["messages"] = listed;
}

// Takes --serve, --server=, --user=, --password=, --runs= and --messages= out of argv for us.
struct Options {
    bool serve = false;
    bool tls = false;
    int runs = 7;
};

Options TakeOptions(int& argc, char** argv) {
    Options options;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&](std::string_view flag) {
            return std::string(arg.substr(flag.size()));
        };
        if (arg == "--serve") {
            options.serve = true;
        } else if (arg == "--tls") {
            options.tls = true;
        } else if (arg.starts_with("--server=")) {
            target.address = value("--server=");
        } else if (arg.starts_with("--user=")) {
            target.user = value("--user=");
        } else if (arg.starts_with("--password=")) {
            target.password = value("--password=");
        } else if (arg.starts_with("--runs=")) {
            options.runs = std::stoi(value("--runs="));
        } else if (arg.starts_with("--messages=")) {
            messageCount = std::stoi(value("--messages="));
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return options;
}

// Starts a filled Dovecot and reads the whole mailbox once, so that every measured run finds
// Dovecot's index built and the messages in the page cache.
std::unique_ptr<DovecotServer> StartFilledServer(bool tls = false) {
    if (const std::string reason = DovecotServer::Unavailable(); !reason.empty()) {
        std::cerr << "Pop3ListingBench: cannot start a private Dovecot: " << reason << "\n";
        return nullptr;
    }
    auto server = std::make_unique<DovecotServer>();
    Fill(*server);
    if (tls) {
        // Made once and kept for the whole run: the server reads them, the client trusts them.
        static const kelvane::testsupport::TestCertificates certificates;
        static const kelvane::testsupport::TrustedAuthority trust(certificates.AuthorityFile());
        server->UseTls(certificates["valid"].certificateFile, certificates["valid"].keyFile);
    }
    server->Start();
    target.address = server->address();
    target.tlsAddress = server->tlsAddress();
    ListOnce();
    if (tls) ListOnce(kelvane::PopSecurity::Implicit);
    return server;
}

// Serves until stdin closes or SIGTERM, SIGINT or SIGHUP arrives; either way the server stops
// and its folder goes.
int Serve() {
    sigset_t stops;
    ::sigemptyset(&stops);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaddset(&stops, signal);
    ::sigprocmask(SIG_BLOCK, &stops, nullptr);
    const int signals = ::signalfd(-1, &stops, SFD_CLOEXEC);
    const auto server = StartFilledServer();
    if (!server) return 1;
    std::cout << target.address << " " << kUser << " " << kPassword << std::endl;
    pollfd waits[2] = {{STDIN_FILENO, POLLIN, 0}, {signals, POLLIN, 0}};
    char scratch[4096];
    for (;;) {
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (waits[1].revents != 0) break;
        if (waits[0].revents != 0 && ::read(STDIN_FILENO, scratch, sizeof scratch) <= 0) break;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = TakeOptions(argc, argv);
    if (options.serve) return Serve();
    std::unique_ptr<DovecotServer> server;
    if (options.tls && !target.address.empty()) {
        std::cerr << "Pop3ListingBench: --tls starts its own server; leave out --server\n";
        return 2;
    }
    if (target.address.empty() && !(server = StartFilledServer(options.tls))) return 1;
    const std::string name = "UpdateInfo/" + std::to_string(messageCount) + "_messages";
    const auto add = [&](const std::string& title, kelvane::PopSecurity security) {
        benchmark::RegisterBenchmark(title.c_str(), BM_UpdateInfo, security)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1)
            ->Repetitions(options.runs);
    };
    add(name, kelvane::PopSecurity::Plain);
    if (options.tls) add(name + "/implicit_tls", kelvane::PopSecurity::Implicit);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
