#pragma once

#include <array>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "MailHeaders.h"
#include "TextMatch.h"

namespace kelvane {

class MultiPatternMatcher;

// The texts of one message that the rules test, each folded once however many rules look at it.
// Header texts are prepared only when a rule asks for them.
class MessageTexts {
  public:
    // A missing header block (nullptr) reads as an empty one.
    MessageTexts(std::string_view subject, std::string_view sender, const TmsHeaders* headers);
    // The views handed out point into this object.
    MessageTexts(const MessageTexts&) = delete;
    MessageTexts& operator=(const MessageTexts&) = delete;

    FoldedText subject() const { return {subject_.first, subject_.second}; }
    FoldedText sender() const { return {sender_.first, sender_.second}; }
    // The part of the sender that a sender rule of this kind tests with `op`.
    FoldedText senderPart(bool domainKind, std::optional<MatchOperator> op);

    const TmsHeaders& headers() const { return *headers_; }
    size_t lineCount() const { return headers_->size(); }
    FoldedText line(size_t index);
    // Every header line, joined by line feeds.
    FoldedText block();
    // The numbers of the patterns of `matcher` that the block's upper-case form holds, each once;
    // found on the first call with that matcher, which must not change while this object lives.
    const std::vector<int>& BlockPatterns(const MultiPatternMatcher& matcher);

    // The field's value (GetFieldValue); a value whose encoded words cannot be decoded reads as
    // empty, like a missing field.
    FoldedText field(std::string_view name);
    // The address part of the field's value.
    FoldedText fieldAddress(std::string_view name);

  private:
    using Folded = std::pair<std::string, std::string>;
    struct NamedText {
        std::string name;
        Folded text;
    };

    static Folded Fold(std::string text);
    static FoldedText View(const Folded& folded) { return {folded.first, folded.second}; }
    void JoinLines();
    const Folded& Cached(std::deque<NamedText>& cache, std::string_view name, bool address);

    static const TmsHeaders kNoHeaders;

    Folded subject_;
    Folded sender_;
    const TmsHeaders* headers_;
    std::array<std::optional<Folded>, 4> senderParts_;
    std::optional<Folded> block_;
    std::vector<std::pair<size_t, size_t>> lineSpans_;  // offset and length in the block
    const MultiPatternMatcher* scannedWith_ = nullptr;
    std::vector<int> blockPatterns_;
    std::deque<NamedText> fields_;
    std::deque<NamedText> addresses_;
};

}  // namespace kelvane
