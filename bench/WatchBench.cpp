// morloservo-cli watch --csv as a user runs it, against the in-process simulated drive: eight
// objects every 10 ms for 60 s (WATCH_BENCH_SECONDS to change it). Reported: the periods
// missed and the error of each row's instant against its deadline (p50, p99, largest), read
// from the log's elapsed_ms column.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "ChildProcess.h"
#include "TempFolder.h"
#include "profile/FileAccess.h"
#include "text/NumberIo.h"

namespace {

using namespace std::chrono_literals;

constexpr int kPeriodMs = 10;
constexpr const char* kObjects[] = {"6041:00", "6061:00", "6064:00", "606C:00",
                                    "6077:00", "6078:00", "60F4:00", "2601:00"};

int Seconds() {
    const char* text = std::getenv("WATCH_BENCH_SECONDS");
    return text ? std::max(1, std::atoi(text)) : 60;
}

void BM_WatchEightObjectsAt100Hz(benchmark::State& state) {
    for (auto _ : state) {
        morlo::test::TempFolder folder;
        const std::string file = (folder / "watch.csv").string();
        std::vector<std::string> args{"--link", "sim", "watch"};
        args.insert(args.end(), std::begin(kObjects), std::end(kObjects));
        args.insert(args.end(), {"--csv", file, "--period", std::to_string(kPeriodMs), "--duration",
                                 std::to_string(Seconds())});
        morlo::test::ChildProcess cli(MORLO_CLI_PATH, args, MORLO_BUILT_RUNTIME_DIR);
        if (!cli.Wait(std::chrono::seconds(Seconds() + 30)) || cli.ExitCode() != 0) {
            state.SkipWithError(("watch failed: " + cli.Errors()).c_str());
            return;
        }
        std::stringstream in(morlo::ReadWholeFile(file).bytes);
        std::string line;
        std::getline(in, line);  // the header
        std::vector<double> errors;
        std::int64_t rows = 0;
        std::int64_t lastIndex = -1;
        std::int64_t missed = 0;
        while (std::getline(in, line)) {
            const auto first = line.find(',');
            const auto second = line.find(',', first + 1);
            const auto elapsed = morlo::ReadNumber(line.substr(first + 1, second - first - 1));
            if (!elapsed) {
                continue;
            }
            // The deadline the row was read for: the last one at or before its instant.
            const auto index = static_cast<std::int64_t>(*elapsed / kPeriodMs);
            missed += std::max<std::int64_t>(0, index - lastIndex - 1);
            lastIndex = index;
            errors.push_back(*elapsed - static_cast<double>(index * kPeriodMs));
            ++rows;
        }
        std::sort(errors.begin(), errors.end());
        auto at = [&](double share) {
            return errors.empty()
                       ? 0.0
                       : errors[std::min(errors.size() - 1,
                                         static_cast<std::size_t>(share * errors.size()))];
        };
        state.counters["rows"] = static_cast<double>(rows);
        state.counters["missed_periods"] = static_cast<double>(missed);
        // What the tool itself reported on stderr ("N rows written to F, M missed periods").
        const std::string errors_text = cli.Errors();
        const auto comma = errors_text.rfind(", ");
        state.counters["missed_reported"] =
            comma == std::string::npos
                ? -1
                : static_cast<double>(std::atoll(errors_text.c_str() + comma + 2));
        state.counters["ms_p50_period_error"] = at(0.5);
        state.counters["ms_p99_period_error"] = at(0.99);
        state.counters["ms_max_period_error"] = errors.empty() ? 0 : errors.back();
        state.counters["ratio_p99_to_2ms"] = at(0.99) / 2.0;
    }
}
BENCHMARK(BM_WatchEightObjectsAt100Hz)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
