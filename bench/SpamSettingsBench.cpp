// The spam settings window with 20,000 rules in each of its four tables: opening it (the grids
// over the tables), sorting a grid, and OK (duplicate removal and saving all four rule files).
// Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <memory>
#include <string>

#include "KnownSpammers.h"
#include "MessageBoxes.h"
#include "RuleGridPage.h"
#include "RuleTableModel.h"
#include "RuleTableOperations.h"
#include "SettingsStore.h"
#include "SpamSettings.h"
#include "TempFolder.h"
#include "TfrmOptionsMain.h"

namespace kelvane {
namespace {

constexpr int kRules = 20000;

class NoBoxes : public MessageBoxes {
  public:
    void Error(const std::string&) override {}
    void Warning(const std::string&) override {}
    void Information(const std::string&) override {}
    bool Confirm(const std::string&) override { return false; }
};

// A program folder whose four rule files hold kRules rules each.
struct LargeRules {
    LargeRules() : store(folder.File("10.conf")), spam(folder.path().string()) {
        for (int i = 0; i < kRules; ++i) {
            const std::string n = std::to_string(i * 7919 % kRules);
            AppendRule(spam.subjects(), {"", "Contains", "subject " + n, "No", "Yes", n});
            AppendRule(spam.headers(), {"", "Contains", "X-Header-" + n, "No", "No", n});
            AppendRule(spam.senders(),
                       {"", "E-mail address", "Equals", n + "@junk.test", "Yes", n});
            AppendRule(spam.exceptions(), ExceptionAddressRule("friend" + n + "@ok.test"));
        }
        (void)spam.Savesettings(SaveMode::AsEdited);
    }
    testsupport::TempFolder folder;
    SettingsStore store;
    SpamSettings spam;
    KnownSpammers known;
    NoBoxes boxes;
};

void OpenSpamSettings(benchmark::State& state) {
    LargeRules rules;
    for (auto _ : state) {
        TfrmOptionsMain window(rules.spam, rules.known, rules.store, rules.boxes,
                               rules.folder.path().string(), SpamWindowServices{});
        window.open();
        QApplication::processEvents();
        window.hide();
    }
}
BENCHMARK(OpenSpamSettings)->Unit(benchmark::kMillisecond);

void SortSubjectGrid(benchmark::State& state) {
    LargeRules rules;
    TfrmOptionsMain window(rules.spam, rules.known, rules.store, rules.boxes,
                           rules.folder.path().string(), SpamWindowServices{});
    window.open();
    RuleTableModel& model = window.rulePage(RuleTableKind::Subject).model();
    int column = 2;
    for (auto _ : state) {
        model.sort(column, Qt::AscendingOrder);
        QApplication::processEvents();
        column = column == 2 ? 5 : 2;  // a new order every time
    }
}
BENCHMARK(SortSubjectGrid)->Unit(benchmark::kMillisecond);

void SaveWithOk(benchmark::State& state) {
    LargeRules rules;
    TfrmOptionsMain window(rules.spam, rules.known, rules.store, rules.boxes,
                           rules.folder.path().string(), SpamWindowServices{});
    auto* ok = window.findChild<QPushButton*>(QStringLiteral("btOK"));
    for (auto _ : state) {
        state.PauseTiming();
        window.open();
        QApplication::processEvents();
        state.ResumeTiming();
        ok->click();
    }
}
BENCHMARK(SaveWithOk)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvane

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
