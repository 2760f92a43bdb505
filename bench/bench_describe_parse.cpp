// Reading a large instance list: parse, filter and locale sort of 10,000 instances, beside
// the bare JSON parse of the same text. Goal: the whole read under 30 ms.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include <nlohmann/json.hpp>

#include "bridge/Collation.h"
#include "bridge/EC2Instance.h"

namespace {

constexpr int kInstances = 10000;

// What the instance query prints for `count` instances: mixed Latin and Japanese names,
// a tenth unnamed, a sixth terminated, one to three groups each. Same text on every run.
std::string instanceListing(int count) {
    static const char* const kStates[] = {"running", "stopped", "pending", "stopping", "terminated", "shutting-down"};
    static const char* const kWords[] = {"web", "Web", "api", "バッチ", "ステージング", "本番", "résumé", "db", "検証"};
    std::mt19937 random(42);
    nlohmann::json list = nlohmann::json::array();
    for (int i = 0; i < count; ++i) {
        char id[32];
        std::snprintf(id, sizeof id, "i-%017x", static_cast<unsigned>(random()));
        nlohmann::json instance = {{"id", id}, {"state", kStates[random() % 6]}, {"type", "t3.micro"}};
        if (random() % 10 == 0) {
            instance["name"] = nullptr;
        } else {
            instance["name"] = std::string(kWords[random() % 9]) + "-" + std::to_string(random() % 1000);
        }
        nlohmann::json groups = nlohmann::json::array();
        for (unsigned g = 0, n = 1 + random() % 3; g < n; ++g) {
            groups.push_back({{"id", "sg-" + std::to_string(random())}, {"name", kWords[random() % 9]}});
        }
        instance["sgs"] = groups;
        list.push_back(instance);
    }
    return list.dump(4);  // the tool prints with an indent of four
}

const std::string& listing() {
    static const std::string text = instanceListing(kInstances);
    return text;
}

void BM_ReadInstanceList(benchmark::State& state, const char* locale) {
    const std::string& text = listing();
    const tamsel::Collation collation(locale);
    for (auto _ : state) {
        auto instances = tamsel::parseInstances(text, collation);
        benchmark::DoNotOptimize(instances);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.SetLabel(std::to_string(text.size() / 1024) + " KiB");
}
BENCHMARK_CAPTURE(BM_ReadInstanceList, ja_JP, "ja_JP.UTF-8")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadInstanceList, en_US, "en_US.UTF-8")->Unit(benchmark::kMillisecond);

// The locale sort alone, for the share it takes of the whole read.
void BM_SortOnly(benchmark::State& state) {
    const tamsel::Collation collation("ja_JP.UTF-8");
    const auto parsed = tamsel::parseInstances(listing(), collation);
    std::vector<tamsel::EC2Instance> shuffled(parsed.rbegin(), parsed.rend());
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(1));
    for (auto _ : state) {
        state.PauseTiming();
        auto instances = shuffled;
        state.ResumeTiming();
        std::stable_sort(instances.begin(), instances.end(),
                         [&](const auto& a, const auto& b) { return collation.less(a.sortKey(), b.sortKey()); });
        benchmark::DoNotOptimize(instances);
    }
}
BENCHMARK(BM_SortOnly)->Unit(benchmark::kMillisecond);

void BM_BareJSONParse(benchmark::State& state) {
    const std::string& text = listing();
    for (auto _ : state) {
        auto document = nlohmann::json::parse(text);
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_BareJSONParse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
