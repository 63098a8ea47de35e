#pragma once

#include <string>
#include <vector>

#include "ListDateText.h"
#include "RowBuilder.h"
#include "TmsRemotePOP.h"

namespace kelvane::testsupport {

// A short message with the given sender and subject, dated Tue, 14 Mar 2000 10:20:30 +0100.
inline std::string SampleMessage(const std::string& from, const std::string& subject) {
    return "From: " + from + "\r\nTo: ann@home.test\r\nSubject: " + subject +
           "\r\nDate: Tue, 14 Mar 2000 10:20:30 +0100\r\n\r\nbody\r\n";
}

// The subjects waiting in a mailbox now, seen by a session of its own.
inline std::vector<std::string> SubjectsOnServer(const std::string& server, const std::string& user,
                                                 const std::string& password) {
    TmsRemotePOP probe;
    probe.Server = server;
    probe.UserName = user;
    probe.Password = password;
    probe.TimeOut = 10;
    probe.UpdateInfo();
    std::vector<std::string> subjects;
    for (int i = 0; i < probe.Info().Count(); ++i)
        subjects.push_back(BuildRow(probe.Info().Items(i), DefaultListDate).subject);
    return subjects;
}

}  // namespace kelvane::testsupport
