#include "MessageTexts.h"

#include <algorithm>

#include "MailAddress.h"
#include "MailErrors.h"
#include "MultiPatternMatcher.h"

namespace kelvane {

const TmsHeaders MessageTexts::kNoHeaders;

MessageTexts::MessageTexts(std::string_view subject, std::string_view sender,
                           const TmsHeaders* headers)
    : subject_(Fold(std::string(subject))),
      sender_(Fold(std::string(sender))),
      headers_(headers != nullptr ? headers : &kNoHeaders) {}

MessageTexts::Folded MessageTexts::Fold(std::string text) {
    std::string folded = UpperAscii(text);
    return {std::move(text), std::move(folded)};
}

FoldedText MessageTexts::senderPart(bool domainKind, std::optional<MatchOperator> op) {
    // SenderTestText tells the parts apart by kind and by whether the operator looks at the
    // user part only; one slot per combination.
    const bool userPartOperator = op && OperatorPosition(*op) >= 6;
    std::optional<Folded>& slot = senderParts_[(domainKind ? 2 : 0) + (userPartOperator ? 1 : 0)];
    if (!slot) {
        const std::string_view kind = domainKind ? kSenderKindDomain : kSenderKindAddress;
        slot = Fold(SenderTestText(sender_.first, kind, op));
    }
    return View(*slot);
}

void MessageTexts::JoinLines() {
    std::string joined;
    lineSpans_.reserve(headers_->size());
    for (const std::string& line : *headers_) {
        lineSpans_.emplace_back(joined.size(), line.size());
        joined += line;
        joined += '\n';
    }
    block_ = Fold(std::move(joined));
}

FoldedText MessageTexts::line(size_t index) {
    if (!block_) JoinLines();
    const auto [offset, length] = lineSpans_[index];
    return {std::string_view(block_->first).substr(offset, length),
            std::string_view(block_->second).substr(offset, length)};
}

FoldedText MessageTexts::block() {
    if (!block_) JoinLines();
    return View(*block_);
}

const std::vector<int>& MessageTexts::BlockPatterns(const MultiPatternMatcher& matcher) {
    if (scannedWith_ == &matcher) return blockPatterns_;
    blockPatterns_.clear();
    matcher.Scan(block().folded, [this](int pattern) { blockPatterns_.push_back(pattern); });
    std::sort(blockPatterns_.begin(), blockPatterns_.end());
    blockPatterns_.erase(std::unique(blockPatterns_.begin(), blockPatterns_.end()),
                         blockPatterns_.end());
    scannedWith_ = &matcher;
    return blockPatterns_;
}

const MessageTexts::Folded& MessageTexts::Cached(std::deque<NamedText>& cache,
                                                 std::string_view name, bool address) {
    for (const NamedText& known : cache) {
        if (known.name == name) return known.text;
    }
    std::string value;
    try {
        value = GetFieldValue(*headers_, name);
    } catch (const EMessageParserError&) {
        value.clear();
    }
    if (address) value = SplitAddress(value).first;
    cache.push_back({std::string(name), Fold(std::move(value))});
    return cache.back().text;
}

FoldedText MessageTexts::field(std::string_view name) {
    return View(Cached(fields_, name, false));
}

FoldedText MessageTexts::fieldAddress(std::string_view name) {
    return View(Cached(addresses_, name, true));
}

}  // namespace kelvane
