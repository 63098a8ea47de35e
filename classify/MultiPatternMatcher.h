#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kelvane {

// Finds which of many byte strings occur in a text in one pass over the text, however many
// strings there are (an Aho-Corasick automaton with a full transition table). Bytes that occur
// in no pattern share one column of the table, which keeps it small.
class MultiPatternMatcher {
  public:
    // The pattern's number: numbers count up from 0, and adding the same bytes again gives the
    // number they already have. An empty pattern is no pattern and gives -1.
    int Add(std::string_view pattern);
    // Makes the automaton; call after the last Add and before the first Scan.
    void Build();

    int patternCount() const { return static_cast<int>(patterns_.size()); }

    // Calls found(pattern number) for every occurrence of every pattern in `text`, in the order
    // the occurrences end; occurrences ending at the same byte longest first.
    template <class Found>
    void Scan(std::string_view text, Found&& found) const;

  private:
    // A table entry is the target state's first column times two, plus one when that state
    // ends a pattern: the scan needs neither a multiplication nor a second lookup per byte.
    using Entry = std::uint32_t;

    int StateOf(Entry entry) const { return static_cast<int>((entry >> 1) / columns_); }
    Entry Step(Entry entry, char c) const {
        return next_[(entry >> 1) + column_[static_cast<unsigned char>(c)]];
    }
    template <class Found>
    void Report(Entry entry, Found& found) const;
    template <class Found>
    void ScanAlone(std::string_view text, Found& found) const;

    std::unordered_map<std::string, int> numbers_;
    std::vector<std::string> patterns_;
    std::array<std::uint8_t, 256> column_{};
    std::uint32_t columns_ = 1;
    std::vector<Entry> next_;
    std::vector<int> patternAt_;   // per state: the pattern it completes, or -1
    std::vector<int> nextOutput_;  // per state: the next shorter suffix state that ends a pattern
    size_t longest_ = 0;           // bytes in the longest pattern
};

template <class Found>
void MultiPatternMatcher::Report(Entry entry, Found& found) const {
    if ((entry & 1) == 0) return;
    int state = StateOf(entry);
    if (patternAt_[state] < 0) state = nextOutput_[state];
    for (; state >= 0; state = nextOutput_[state]) found(patternAt_[state]);
}

template <class Found>
void MultiPatternMatcher::ScanAlone(std::string_view text, Found& found) const {
    Entry entry = 0;
    for (const char c : text) {
        entry = Step(entry, c);
        Report(entry, found);
    }
}

// Each step waits for the table lookup before it; four parts of a long text scanned side by side
// keep four lookups on the way at once. Each part starts far enough into the one before it to
// see every occurrence that ends in it, so an occurrence may be reported twice, never missed.
template <class Found>
void MultiPatternMatcher::Scan(std::string_view text, Found&& found) const {
    if (next_.empty()) return;
    constexpr size_t kParts = 4;
    constexpr size_t kShortest = 256;
    const size_t overlap = longest_ - 1;
    const size_t part = text.size() / kParts;
    if (part < overlap + kShortest) {
        ScanAlone(text, found);
        return;
    }
    const char* const first = text.data();
    const char* p0 = first;
    const char* p1 = first + part - overlap;
    const char* p2 = first + 2 * part - overlap;
    const char* p3 = first + 3 * part - overlap;
    // The first piece has no overlap; the others' lengths are part + overlap, the last one's up to
    // the end.
    const size_t together = part;
    Entry e0 = 0, e1 = 0, e2 = 0, e3 = 0;
    for (size_t i = 0; i < together; ++i) {
        e0 = Step(e0, p0[i]);
        e1 = Step(e1, p1[i]);
        e2 = Step(e2, p2[i]);
        e3 = Step(e3, p3[i]);
        if (((e0 | e1 | e2 | e3) & 1) == 0) continue;
        Report(e0, found);
        Report(e1, found);
        Report(e2, found);
        Report(e3, found);
    }
    const auto finish = [&](Entry entry, const char* at, const char* end) {
        for (; at < end; ++at) {
            entry = Step(entry, *at);
            Report(entry, found);
        }
    };
    finish(e1, p1 + together, first + 2 * part);
    finish(e2, p2 + together, first + 3 * part);
    finish(e3, p3 + together, first + text.size());
}

}  // namespace kelvane
