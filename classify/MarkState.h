#pragma once

namespace kelvane {

// The mark of one message row, stored as the number of the mark picture it shows.
using MarkState = int;

inline constexpr MarkState kNoMark = -1;
inline constexpr MarkState kCheckMark = 0;           // delete
inline constexpr MarkState kQuestionMark = 1;        // suspect: the user decides
inline constexpr MarkState kBlacklistMark = 2;       // delete: a known spammer
inline constexpr MarkState kFirstExceptionMark = 3;  // accepted by an exception rule
inline constexpr MarkState kLastExceptionMark = 14;

// The deletion run removes exactly the rows this holds for.
constexpr bool IsMarkedForDeletion(MarkState mark) {
    return mark == kCheckMark || mark == kBlacklistMark;
}

constexpr bool IsExceptionMark(MarkState mark) {
    return mark >= kFirstExceptionMark && mark <= kLastExceptionMark;
}

}  // namespace kelvane
