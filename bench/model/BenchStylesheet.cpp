// Reading and writing the 40 MB benchmark stylesheet, each against plain line-by-line I/O of the
// same bytes in the same run, and the peak memory of a read measured in a fresh process.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/common/BenchData.h"
#include "model/Stylesheet.h"


namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Processor time of this thread: on a machine shared with other work it shows the cost of the
// code itself, where the elapsed time also holds the waits for a processor.
double ThreadSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double MegaBytes(std::uintmax_t bytes) { return static_cast<double>(bytes) / 1e6; }

// The plain way: a standard stream, one getline per line into a vector of strings.
std::vector<std::string> PlainReadLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

void PlainWriteLines(const std::string& path, const std::vector<std::string>& lines)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) {
        out << line;
        out << "\r\n";
    }
}

void BM_ReadStylesheet(benchmark::State& state)
{
    const std::string& path = pindle::bench::BenchStylesheetPath();
    double size = MegaBytes(std::filesystem::file_size(path));
    double ours = 0;
    double oursCpu = 0;
    double plain = 0;
    std::size_t rows = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        double cpuStart = ThreadSeconds();
        pindle::TStylesheet sheet = pindle::ReadStylesheet(path);
        oursCpu += ThreadSeconds() - cpuStart;
        double elapsed = Seconds(start);
        state.SetIterationTime(elapsed);
        ours += elapsed;
        rows = sheet.Rows.size();
        benchmark::DoNotOptimize(sheet);

        start = Clock::now();
        std::vector<std::string> lines = PlainReadLines(path);
        plain += Seconds(start);
        benchmark::DoNotOptimize(lines);
    }
    double n = static_cast<double>(state.iterations());
    state.counters["MB_per_s"] = size * n / ours;
    state.counters["MB_per_cpu_s"] = size * n / oursCpu;
    state.counters["plain_MB_per_s"] = size * n / plain;
    state.counters["time_vs_plain"] = ours / plain;
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ReadStylesheet)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_WriteStylesheet(benchmark::State& state)
{
    const std::string& path = pindle::bench::BenchStylesheetPath();
    pindle::TStylesheet sheet = pindle::ReadStylesheet(path);
    std::vector<std::string> lines = PlainReadLines(path);
    std::filesystem::create_directories(PINDLE_BENCH_OUT_DIR);
    const std::string ourPath = std::string(PINDLE_BENCH_OUT_DIR) + "/written.css";
    const std::string plainPath = std::string(PINDLE_BENCH_OUT_DIR) + "/written-plain.css";
    double ours = 0;
    double oursCpu = 0;
    double plain = 0;
    for (auto _ : state) {
        Clock::time_point start = Clock::now();
        double cpuStart = ThreadSeconds();
        pindle::WriteStylesheet(ourPath, sheet.Rows, sheet.PaneLines);
        oursCpu += ThreadSeconds() - cpuStart;
        double elapsed = Seconds(start);
        state.SetIterationTime(elapsed);
        ours += elapsed;

        start = Clock::now();
        PlainWriteLines(plainPath, lines);
        plain += Seconds(start);
    }
    double size = MegaBytes(std::filesystem::file_size(ourPath));
    double n = static_cast<double>(state.iterations());
    state.counters["MB_per_s"] = size * n / ours;
    state.counters["MB_per_cpu_s"] = size * n / oursCpu;
    state.counters["plain_MB_per_s"] = size * n / plain;
    state.counters["time_vs_plain"] = ours / plain;
    state.counters["same_bytes"] = std::filesystem::file_size(ourPath) == std::filesystem::file_size(path);
    std::filesystem::remove(ourPath);
    std::filesystem::remove(plainPath);
}
BENCHMARK(BM_WriteStylesheet)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

long ReadStatusKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    std::size_t length = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, length, field) == 0)
            return std::stol(line.substr(length + 1));
    return -1;
}

// Runs in a fresh process: reads the file once and prints the peak resident size before and after.
int MeasureReadPeak(const std::string& path)
{
    long before = ReadStatusKiB("VmHWM");
    pindle::TStylesheet sheet = pindle::ReadStylesheet(path);
    long after = ReadStatusKiB("VmHWM");
    std::printf("%ld %ld %zu\n", before, after, sheet.PaneLines.size() + sheet.Rows.size());
    return 0;
}

void BM_ReadPeakMemory(benchmark::State& state)
{
    const std::string& path = pindle::bench::BenchStylesheetPath();
    double size = static_cast<double>(std::filesystem::file_size(path));
    long before = 0;
    long after = 0;
    for (auto _ : state) {
        const std::optional<std::string> output = pindle::bench::RunSelf({"--measure-read-peak", path});
        if (!output || std::sscanf(output->c_str(), "%ld %ld", &before, &after) != 2) {
            state.SkipWithError("measuring process failed");
            return;
        }
    }
    state.counters["file_MB"] = size / 1e6;
    state.counters["peak_MB"] = static_cast<double>(after) * 1024 / 1e6;
    state.counters["peak_vs_file"] = static_cast<double>(after) * 1024 / size;
    state.counters["growth_vs_file"] = static_cast<double>(after - before) * 1024 / size;
}
BENCHMARK(BM_ReadPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--measure-read-peak") == 0)
        return MeasureReadPeak(argv[2]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
