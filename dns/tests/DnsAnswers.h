#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

// Builds DNS answers byte by byte for the resolver's tests, so that each case shows the bytes
// that matter to it.
namespace kelvane::dnsanswers {

inline constexpr std::uint16_t kAnswerFlags = 0x8180;  // response, recursion desired/available
inline constexpr std::uint16_t kTruncatedFlag = 0x0200;
inline constexpr std::size_t kQuestionOffset = 12;

inline std::string U16(std::uint16_t value) {
    return {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

inline std::string U32(std::uint32_t value) {
    return U16(static_cast<std::uint16_t>(value >> 16)) + U16(static_cast<std::uint16_t>(value));
}

// "mx.ab.cde" in label form, with its end byte.
inline std::string Name(std::string_view dotted) {
    std::string wire;
    for (std::size_t start = 0; start <= dotted.size();) {
        const std::size_t dot = std::min(dotted.find('.', start), dotted.size());
        wire += static_cast<char>(dot - start);
        wire += dotted.substr(start, dot - start);
        start = dot + 1;
    }
    return wire + '\0';
}

// A compression pointer to `offset`.
inline std::string Pointer(std::uint16_t offset) {
    return U16(static_cast<std::uint16_t>(0xC000 | offset));
}

inline std::uint16_t IdOf(std::string_view query) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(query[0]) << 8 |
                                      static_cast<unsigned char>(query[1]));
}

// The header with the given ID and flags, one question, `answers` answers; nothing else.
inline std::string Header(std::uint16_t id, std::uint16_t flags, std::uint16_t answers,
                          std::uint16_t questions = 1) {
    return U16(id) + U16(flags) + U16(questions) + U16(answers) + U16(0) + U16(0);
}

// The header of an answer to `query` and the query's own question.
inline std::string Reply(std::string_view query, std::uint16_t answers,
                         std::uint16_t flags = kAnswerFlags) {
    return Header(IdOf(query), flags, answers) + std::string(query.substr(kQuestionOffset));
}

// A resource record of `type` (class IN, TTL 300) with the given owner and data.
inline std::string Record(const std::string& owner, std::uint16_t type, const std::string& data) {
    return owner + U16(type) + U16(1) + U32(300) + U16(static_cast<std::uint16_t>(data.size())) +
           data;
}

// An MX record of the name asked for (a pointer to the question) to `exchange` (label form).
inline std::string Mx(std::uint16_t preference, const std::string& exchange) {
    return Record(Pointer(kQuestionOffset), 15, U16(preference) + exchange);
}

}  // namespace kelvane::dnsanswers
