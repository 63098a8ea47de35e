// The statistics window's work on years of unattended checking: one million records (three
// check records to one five-line deletion block), read from the file, then every table and
// chart counted over the whole log. Goal: under one second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "LogAnalysis.h"
#include "LogRecords.h"
#include "LogStamp.h"
#include "TempFolder.h"

namespace kelvane {
namespace {

constexpr int kRecords = 1'000'000;
constexpr LocalDateTime kNow{2026, 12, 10, 15, 10, 20};

// Records every few minutes from 2021 on, over four mailboxes and 5,000 senders.
std::string WriteLog(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    const StatsMoment start = MomentOf({2021, 1, 1});
    const char* users[] = {"ann", "bob.smith", "Carol", "dave@example.org"};
    char sender[64];
    for (int i = 0; i < kRecords; ++i) {
        const std::string stamp = FormatLogStamp(LocalDateTimeOf(start + i * 170LL));
        const std::string user = users[i % 4];
        if (i % 4 != 3) {
            out << CheckRecord(i % 7, user, "pop.example.net", stamp);
            continue;
        }
        std::snprintf(sender, sizeof sender, "Offer %d <deals%d@spam%d.example>", i % 5000,
                      i % 5000, i % 700);
        out << DeletionBlock({"pop.example.net", user, "Limited offer just for you", sender,
                              std::to_string(1000 + i % 90000), "Tue, 14 Mar 2023 14:05:00"},
                             stamp);
    }
    return path;
}

void BM_ReadAndCountMillionRecords(benchmark::State& state) {
    testsupport::TempFolder folder;
    const std::string path = WriteLog(folder.File("logfile.txt"));
    for (auto _ : state) {
        LogTables tables;
        readInLogFile(path, kNow, tables);
        const GridRows rows = fillInGrids(tables, DefaultFilter(kNow));
        benchmark::DoNotOptimize(PlotReadings(tables, rows));
        benchmark::DoNotOptimize(RecomputePie(tables, rows));
        state.counters["records"] =
            static_cast<double>(tables.checks.size() + tables.deletions.size());
    }
}
BENCHMARK(BM_ReadAndCountMillionRecords)->Unit(benchmark::kMillisecond)->Iterations(3);

// A redraw: the tables in memory counted again for another mailbox.
void BM_RedrawOneMailbox(benchmark::State& state) {
    testsupport::TempFolder folder;
    LogTables tables;
    readInLogFile(WriteLog(folder.File("logfile.txt")), kNow, tables);
    StatsFilter filter = DefaultFilter(kNow);
    filter.mailbox = "carol";
    for (auto _ : state) {
        const GridRows rows = fillInGrids(tables, filter);
        benchmark::DoNotOptimize(PlotReadings(tables, rows));
    }
}
BENCHMARK(BM_RedrawOneMailbox)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
