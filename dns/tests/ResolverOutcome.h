#pragma once

#include <functional>
#include <string>

#include "DnsMessage.h"
#include "MailErrors.h"
#include "ResolverErrors.h"

namespace kelvane {

// "10 mx2.mail.test., 20 mx1.mail.test."
inline std::string Describe(const TMXList& list) {
    std::string text;
    for (const TMXRec& record : list) {
        if (!text.empty()) text += ", ";
        text += std::to_string(record.Preference) + " " + record.Exchange;
    }
    return text;
}

// What a lookup ended with, as one comparable line: "ok: <records>" or the error's class, the
// response code for EResolverError, and its text.
inline std::string Outcome(const std::function<TMXList()>& lookup) {
    try {
        return "ok: " + Describe(lookup());
    } catch (const EResolverError& e) {
        return "EResolverError(" + std::to_string(e.RCode()) + "): " + e.what();
    } catch (const ETimedOutError& e) {
        return std::string("ETimedOutError: ") + e.what();
    } catch (const ESocketError& e) {
        return std::string("ESocketError: ") + e.what();
    } catch (const std::exception& e) {
        return std::string("other: ") + e.what();
    }
}

inline std::string ResolverError(int rcode, const std::string& text) {
    return "EResolverError(" + std::to_string(rcode) + "): " + text;
}

}  // namespace kelvane
