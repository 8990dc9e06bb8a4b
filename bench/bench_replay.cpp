// Replay scripts of 10^4, 10^5 and 10^6 steps: reading one (text to checked
// steps) and playing one through the whole app on the phone. The counters
// give the time a step and the process's peak memory so far.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/VHAppDelegate.h"
#include "cli/Replay.h"
#include "cli/ReplayScript.h"
#include "resources/Bundle.h"

namespace {

NSString delegateClassName() {
    static const NSString name = (registerBundle(), NSStringFromClass<VHAppDelegate>());
    return name;
}

// A recorded session: one finger down, moved back and forth, lifted, with a
// tap now and then; about 56 bytes a step.
std::string session(long steps) {
    std::string text = "{\"device\": \"phone\", \"steps\": [\n";
    text.reserve(size_t(steps) * 60);
    bool down = false;
    for (long i = 0; i < steps; ++i) {
        const int x = 40 + int(i % 240), y = 120 + int(i % 200);
        const std::string point = "[[" + std::to_string(x) + ", " + std::to_string(y) + "]]";
        if (i % 100 == 99 && !down) {
            text += "{\"tap\": [" + std::to_string(x) + ", " + std::to_string(y) + "]}";
        } else if (!down) {
            text += "{\"touches\": \"began\", \"points\": " + point + "}";
            down = true;
        } else if (i % 50 == 49 || i + 1 == steps) {
            text += "{\"touches\": \"ended\", \"points\": " + point + "}";
            down = false;
        } else {
            text += "{\"touches\": \"moved\", \"points\": " + point + "}";
        }
        text += i + 1 == steps ? "\n" : ",\n";
    }
    return text + "]}\n";
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024;
}

void BM_ReadScript(benchmark::State& state) {
    const std::string text = session(state.range(0));
    size_t steps = 0;
    for (auto _ : state) {
        ReplayScript script = parseReplayScript(text);
        steps = script.steps.size();
        benchmark::DoNotOptimize(script);
    }
    state.counters["steps"] = double(steps);
    state.counters["MB"] = double(text.size()) / (1 << 20);
    state.counters["per_step"] = benchmark::Counter(
        double(steps), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["peak_rss_MB"] = peakMegabytes();
}
BENCHMARK(BM_ReadScript)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PlayScript(benchmark::State& state) {
    const ReplayScript script = parseReplayScript(session(state.range(0)));
    char dir[] = "/tmp/starchart-bench-XXXXXX";
    if (!mkdtemp(dir)) std::abort();
    const int fd = open(dir, O_RDONLY | O_DIRECTORY);
    DeviceProfile phone;
    for (auto _ : state) {
        std::string failure;
        if (playReplayScript(script, phone, delegateClassName(), fd, dir, &failure) != 0)
            state.SkipWithError(failure.c_str());
    }
    close(fd);
    rmdir(dir);
    state.counters["per_step"] =
        benchmark::Counter(double(script.steps.size()),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["peak_rss_MB"] = peakMegabytes();
}
BENCHMARK(BM_PlayScript)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
