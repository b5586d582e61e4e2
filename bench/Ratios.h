// A console reporter for Google Benchmark that also remembers each result's
// time per iteration, so a benchmark program can print ratios at the end.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace bench {

class RememberingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.iterations > 0) {
                nanoseconds[run.benchmark_name()] = run.GetAdjustedRealTime() * unitToNanoseconds(run.time_unit);
                for (const auto& [name, counter] : run.counters) counters[run.benchmark_name() + ":" + name] = counter.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> nanoseconds;  // per iteration, by benchmark name
    std::map<std::string, double> counters;     // "name:counter" to value

private:
    static double unitToNanoseconds(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kSecond: return 1e9;
            case benchmark::kMillisecond: return 1e6;
            case benchmark::kMicrosecond: return 1e3;
            default: return 1.0;
        }
    }
};

}  // namespace bench
