#pragma once

#include <string>

#include "MarkState.h"

namespace kelvane {

// One row of the main message list: one message waiting on the server of the mailbox last
// checked. Row i stands for message i of the POP3 client's list.
struct MessageEntry {
    std::string subject;
    std::string sender;  // the address part of From, no display name
    std::string size;    // bytes, decimal, from the server's listing
    std::string date;
    MarkState mark = kNoMark;
    bool selected = false;

    bool operator==(const MessageEntry&) const = default;
};

}  // namespace kelvane
