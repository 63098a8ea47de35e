#pragma once

#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <string>

#include "DovecotServer.h"

namespace kelvane::pop3test {

inline constexpr const char* kDovecotUser = "ann";
inline constexpr const char* kDovecotPassword = "s3cret!";

// A private Dovecot for each test with the user kDovecotUser, not yet started; the test skips
// where none can run, and a failed test shows the server's log.
class DovecotMailbox : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string reason = testsupport::DovecotServer::Unavailable(); !reason.empty())
            GTEST_SKIP() << "no private Dovecot: " << reason;
        server.emplace();
        server->AddUser(kDovecotUser, kDovecotPassword);
    }

    void TearDown() override {
        if (HasFailure() && server) std::cerr << server->LogTail();
    }

    std::optional<testsupport::DovecotServer> server;
};

}  // namespace kelvane::pop3test
