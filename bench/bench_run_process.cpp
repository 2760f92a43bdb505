// What running a tool through runProcess costs over a bare posix_spawn + waitpid of the
// same program: both start /bin/true with the same environment, in one run, and the
// ratio of their median real times is printed at the end (goal: at most 1.3).

#include <spawn.h>
#include <sys/wait.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bridge/ChildProcess.h"

namespace {

constexpr const char* kTool = "/bin/true";

const tamsel::Environment& childEnvironment() {
    static const tamsel::Environment environment = tamsel::Environment::current().forChild();
    return environment;
}

void BM_RunProcess(benchmark::State& state) {
    const tamsel::Environment& environment = childEnvironment();
    for (auto _ : state) {
        benchmark::DoNotOptimize(tamsel::runProcess(kTool, {}, environment, std::chrono::seconds(10)));
    }
}
BENCHMARK(BM_RunProcess)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RawSpawnAndWait(benchmark::State& state) {
    std::vector<std::string> entries = childEnvironment().toEntries();
    std::vector<char*> envp;
    for (auto& entry : entries) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = kTool;
    char* argv[] = {program.data(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, kTool, nullptr, nullptr, argv, envp.data()) != 0) {
            state.SkipWithError("posix_spawn failed");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(BM_RawSpawnAndWait)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The console report, plus the real time per run of each benchmark (the median when
// repetitions are asked for) to print the ratio afterwards.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians_[name] = run.GetAdjustedRealTime();
            } else if (run.run_type == Run::RT_Iteration && !medians_.count(name)) {
                single_[name] = run.GetAdjustedRealTime();
            }
        }
    }

    double time(const std::string& name) const {
        if (const auto found = medians_.find(name); found != medians_.end()) return found->second;
        if (const auto found = single_.find(name); found != single_.end()) return found->second;
        return 0;
    }

private:
    std::map<std::string, double> medians_;
    std::map<std::string, double> single_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double ours = reporter.time("BM_RunProcess");
    const double raw = reporter.time("BM_RawSpawnAndWait");
    if (ours > 0 && raw > 0) {
        std::printf("\nrunProcess / raw posix_spawn+waitpid: %.3f (goal <= 1.3)\n", ours / raw);
    }
    return 0;
}
