// What one sweep of the other regions costs next to one refresh: the real controller on the
// real work queue, sweep pool and gateway, running the real aws tool against the EC2
// emulator (moto_server on a loopback port, reached through a wrapper script). For each
// run it prints the wall time, from the start until the last result has landed on the
// main thread, and the CPU time of this process (the controller and its queues) and of
// the aws runs it reaped (getrusage, RUSAGE_SELF and RUSAGE_CHILDREN). The emulator's own
// CPU time is not counted: it is not reaped until the end. Last, a refresh started just after
// a sweep: its wall time shows that it waits for no count (the CPU figures of that one
// include the sweep's calls that ended meanwhile).
//
// Usage: bench_sweep [--runs N] [--instances N] [--niceness N]
//   (instances in the listed region; the nice value of the sweep's threads, 10 as in the app)

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Options.h"
#include "app/AppDelegate.h"
#include "app/SerialQueue.h"
#include "app/WorkerPool.h"
#include "bridge/AWSCLI.h"
#include "support/FakeDesktop.h"
#include "support/FakeSSH.h"
#include "support/MotoServer.h"
#include "support/PumpedMainThread.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;
using tamsel::test::TempDir;

namespace {

using tamsel::test::PumpedMainThread;

struct Cost {
    double wall = 0, self = 0, children = 0;  // seconds
};

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

double cpu(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs `start`, then the main thread until `done`, and returns what it cost.
Cost measure(PumpedMainThread& mainThread, const std::function<void()>& start, const std::function<bool()>& done) {
    const double self = cpu(RUSAGE_SELF), children = cpu(RUSAGE_CHILDREN);
    const auto began = std::chrono::steady_clock::now();
    start();
    if (!mainThread.runUntil(done)) throw std::runtime_error("nothing landed for 300 s");
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count(), cpu(RUSAGE_SELF) - self,
            cpu(RUSAGE_CHILDREN) - children};
}

void print(const char* what, std::vector<Cost> costs) {
    for (const Cost& c : costs) {
        std::printf("%-8s  wall %6.2f s   cpu: orvane %5.3f s, aws %6.2f s\n", what, c.wall, c.self, c.children);
    }
    const auto median = [&](auto field) {  // a pointer to a member of Cost
        std::sort(costs.begin(), costs.end(), [&](const Cost& a, const Cost& b) { return a.*field < b.*field; });
        return costs[costs.size() / 2].*field;
    };
    const double wall = median(&Cost::wall), self = median(&Cost::self), children = median(&Cost::children);
    std::printf("%-8s median of %zu: wall %.2f s, cpu orvane %.3f s + aws %.2f s\n", what, costs.size(), wall, self,
                children);
}

double loadAverage() {
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 3;
    int instances = 20;
    int niceness = 10;  // as the application runs the sweep
    if (!tamsel::bench::readOptions(argc, argv,
                                    {{"--runs", &runs}, {"--instances", &instances}, {"--niceness", &niceness}}))
        return 2;
    if (runs < 1) runs = 1;
    try {
        TempDir dir;
        tamsel::test::MotoServer moto;
        dir.write("home/.keep", "");
        dir.write("aws/config", "[default]\nregion = us-east-1\noutput = json\n");
        const tamsel::test::Variables variables = {
            {"PATH", "/usr/bin:/bin"},
            {"HOME", (dir / "home").string()},
            {"LC_ALL", "C.UTF-8"},
            {"AWS_CONFIG_FILE", (dir / "aws/config").string()},
            {"AWS_SHARED_CREDENTIALS_FILE", (dir / "aws/credentials").string()},
            {"AWS_ACCESS_KEY_ID", "testing"},
            {"AWS_SECRET_ACCESS_KEY", "testing"},
            {"AWS_EC2_METADATA_DISABLED", "true"},
        };
        const auto seed = [&](const std::string& region, int count) {
            const auto aws = [&](std::vector<std::string> words) {
                std::vector<std::string> argv = {"/usr/bin/aws", "--endpoint-url", moto.endpoint(), "--region",
                                                 region,         "--output",       "text"};
                argv.insert(argv.end(), words.begin(), words.end());
                const auto result = tamsel::test::runCommand(argv, variables, dir);
                if (result.status != 0) throw std::runtime_error("seeding failed: " + result.errors);
                return result.output;
            };
            std::string image = aws({"ec2", "describe-images", "--owners", "amazon", "--query", "Images[0].ImageId"});
            image.erase(image.find_last_not_of("\n") + 1);
            aws({"ec2", "run-instances", "--image-id", image, "--instance-type", "t3.micro", "--count",
                 std::to_string(count)});
        };
        seed("us-east-1", instances);
        seed("eu-west-1", 2);
        seed("ap-northeast-1", 3);

        tamsel::AWSCLIOptions options;
        options.toolPaths = {
            tamsel::test::writeTool(dir, "bin/aws", "exec /usr/bin/aws --endpoint-url " + moto.endpoint() + " \"$@\"")
                .string()};
        options.environment = tamsel::Environment(variables);

        tamsel::test::FakeDesktop desktop;
        desktop.settings.values["region"] = std::string("us-east-1");
        PumpedMainThread mainThread(300s);
        tamsel::AWSCLI gateway(options);
        tamsel::SerialQueue queue;
        tamsel::SerialQueue signInQueue("tamsel.signin");
        tamsel::WorkerPool sweepQueue(4, "tamsel.sweep", niceness);
        tamsel::test::FakeSSH ssh;
        ssh.installed = false;  // the sweep alone is measured
        tamsel::AppDelegate app(desktop.platform(mainThread, queue, signInQueue, sweepQueue), gateway, ssh, "bench");
        app.applicationDidFinishLaunching();
        if (!mainThread.runUntil([&] { return !app.loading(); })) throw std::runtime_error("no first refresh");
        if (app.lastError()) throw std::runtime_error("the first refresh failed: " + app.lastError()->text());

        std::printf("%zu instances listed in us-east-1; 16 other regions; sweep niceness %d; load %.2f\n",
                    app.instances().size(), niceness, loadAverage());
        std::vector<Cost> refreshes, sweeps, beside;
        tamsel::MenuItem sweep;
        sweep.action = tamsel::MenuAction::sweepRegions;
        const auto refresh = [&] { app.refresh(); };
        const auto listed = [&] { return !app.loading(); };
        const auto startSweep = [&] { app.menuItemChosen(sweep); };
        const auto swept = [&] { return !app.sweep().progress; };
        for (int i = 0; i < runs; ++i) {
            refreshes.push_back(measure(mainThread, refresh, listed));
            sweeps.push_back(measure(mainThread, startSweep, swept));
            const auto& counts = app.sweep().counts;
            const auto failed = std::count_if(counts.begin(), counts.end(), [](auto& c) { return !c.second; });
            if (counts.size() != 16 || failed > 0) throw std::runtime_error("the sweep did not count all 16");
            // A refresh asked just after a sweep starts: it runs on the work queue, beside it.
            app.menuItemChosen(sweep);
            beside.push_back(measure(mainThread, refresh, listed));
            if (!mainThread.runUntil(swept)) throw std::runtime_error("sweep hung");
        }
        print("refresh", refreshes);
        print("sweep", sweeps);
        print("refresh beside a sweep", beside);
        std::printf("load %.2f\n", loadAverage());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_sweep: %s\n", e.what());
        return 1;
    }
    return 0;
}
