// How fast a mailbox's header cache loads and saves: 5,000 messages with header blocks of 1 to
// 2 KB in about 25 lines, as a check of a large mailbox keeps them between checks. Save includes
// the flush to disk of the temporary folder's file system.
#include <benchmark/benchmark.h>

#include <optional>
#include <random>
#include <string>

#include "HeaderCache.h"
#include "TempFolder.h"

namespace {

using kelvane::HeaderCache;
using kelvane::TmsHeaders;

constexpr int kMessages = 5000;
constexpr int kLinesPerBlock = 25;
constexpr std::string_view kMailbox = "someone@pop.example.org:995";

// Typical field names with values of printable filler, folded now and then; the block's lines
// together take 1 to 2 KB.
TmsHeaders HeaderBlock(std::mt19937& random) {
    static const char* const kFields[] = {
        "Received: from ", "Return-Path: <", "From: ",     "To: ",          "Subject: ",
        "Date: ",          "Message-ID: <",  "X-Mailer: ", "Content-Type: "};
    const std::size_t blockSize = 1024 + random() % 1025;
    TmsHeaders block;
    for (int i = 0; i < kLinesPerBlock; ++i) {
        std::string line = i % 4 == 3 ? "\t" : kFields[random() % std::size(kFields)];
        const std::size_t target = blockSize / kLinesPerBlock;
        while (line.size() < target) line += static_cast<char>('a' + random() % 26);
        block.push_back(std::move(line));
    }
    return block;
}

const HeaderCache& LargeCache() {
    static const HeaderCache cache = [] {
        std::mt19937 random(7);
        HeaderCache made;
        for (int i = 0; i < kMessages; ++i) {
            // UIDLs as servers hand them out: a counter and a stamp in hex.
            char id[40];
            std::snprintf(id, sizeof id, "%08x%08x", 0x5f3a0000u + i,
                          static_cast<unsigned>(random()));
            made.Add(id, 4000 + random() % 200000, HeaderBlock(random));
        }
        return made;
    }();
    return cache;
}

void SetBytes(benchmark::State& state, std::size_t bytes) {
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
    state.counters["file_kb"] = static_cast<double>(bytes) / 1024;
}

void BM_Load(benchmark::State& state) {
    const kelvane::testsupport::TempFolder folder;
    const std::string path = folder.File("headers.cache");
    LargeCache().Save(path, kMailbox);
    for (auto _ : state) {
        std::optional<HeaderCache> loaded = HeaderCache::Load(path, kMailbox, kMessages);
        if (loaded->Count() != kMessages) state.SkipWithError("the cache did not load whole");
        state.PauseTiming();
        loaded.reset();  // freed when the check is over, not while it starts
        state.ResumeTiming();
    }
    SetBytes(state, LargeCache().Serialize(kMailbox).size());
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

void BM_Parse(benchmark::State& state) {
    const std::string bytes = LargeCache().Serialize(kMailbox);
    for (auto _ : state) {
        std::optional<HeaderCache> parsed = HeaderCache::Parse(bytes, kMailbox, kMessages);
        benchmark::DoNotOptimize(parsed.has_value());
        state.PauseTiming();
        parsed.reset();
        state.ResumeTiming();
    }
    SetBytes(state, bytes.size());
}
BENCHMARK(BM_Parse)->Unit(benchmark::kMillisecond);

void BM_Serialize(benchmark::State& state) {
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string bytes = LargeCache().Serialize(kMailbox);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    SetBytes(state, size);
}
BENCHMARK(BM_Serialize)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
    const kelvane::testsupport::TempFolder folder;
    const std::string path = folder.File("headers.cache");
    for (auto _ : state) LargeCache().Save(path, kMailbox);
    SetBytes(state, LargeCache().Serialize(kMailbox).size());
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
