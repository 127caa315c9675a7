// The real open path end to end: the main window offscreen, LoadFromFile and the first paint, the
// peak memory of an open (in a fresh process), a second open that replaces the document, Save, and
// select all + Delete, its undo and select all + copy in the source pane, and a keystroke and the
// opening of a comment in the middle of the document. Every figure comes with a plain baseline
// measured in the same run, so that a reader sees how close to the limit it is:
//   open, second open   reading the file's bytes and splitting them into lines (string views); the
//                       open also against a byte-table pass over the bytes in memory and against
//                       ifstream + getline into a string per line
//   peak memory         the same plain read, in its own fresh process
//   Save                writing the saved bytes in one go to a new file, fsync included
//   Delete, undo, copy  copying the document's bytes into a fresh buffer
//   keystroke, comment  1 ms
//
//   bench_open [--file=PATH | --mb=N] [--reps=N] [--out=DIR] [benchmark options]
// Without --file it generates a stylesheet of N million bytes (default 40) under the build folder.
#include "app/MainForm.h"
#include "bench/common/BenchData.h"
#include "editor/SynEditCore.h"
#include "editor/widget/SynEdit.h"
#include "platform/qt/Application.h"
#include "platform/qt/Desktop.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pindle {
namespace {

using TClock = std::chrono::steady_clock;

struct TOptions {
    std::string File;
    int Megabytes = 40;
    int Repetitions = 3;
    std::string OutDir;
};

TOptions options;

double SecondsSince(TClock::time_point start)
{
    return std::chrono::duration<double>(TClock::now() - start).count();
}

// This thread's processor time: on a shared machine it shows the cost of the code itself.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Wall and processor time of one step.
struct TTimer {
    TClock::time_point Start = TClock::now();
    double CpuStart = ThreadSeconds();
    [[nodiscard]] double Wall() const { return SecondsSince(Start); }
    [[nodiscard]] double Cpu() const { return ThreadSeconds() - CpuStart; }
};

// Message boxes answer at once; the clipboard is the real one, reached through the desktop layer.
class TBenchDesktop final : public IDesktop {
public:
    TBenchDesktop() : real_(Desktop()) { SetDesktop(this); }
    ~TBenchDesktop() override { SetDesktop(nullptr); }
    TBenchDesktop(const TBenchDesktop&) = delete;
    TBenchDesktop& operator=(const TBenchDesktop&) = delete;

    void MessageBeep(TBeep) override {}
    int MessageBox(QWidget*, TMsgDlgType, const std::string&, const std::string&) override { return mrOk; }
    void SetClipboardText(const std::string& text) override { real_.SetClipboardText(text); }
    void SetClipboardTextOf(std::size_t size, const std::function<void(char*)>& write) override
    {
        real_.SetClipboardTextOf(size, write);
    }
    std::string ClipboardText() override { return real_.ClipboardText(); }
    bool HasPrimarySelection() override { return real_.HasPrimarySelection(); }
    void SetPrimaryText(const std::string& text) override { real_.SetPrimaryText(text); }
    std::string PrimaryText() override { return real_.PrimaryText(); }
    void ShellOpen(QWidget*, const std::string&) override {}
    std::optional<std::string> ExecuteFileDialog(QWidget*, TFileDialogSettings&) override { return std::nullopt; }

private:
    IDesktop& real_;
};

// Counts the paints of the source pane, so that a step is known to have reached the screen.
class TPaintCounter final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return QObject::eventFilter(watched, event);
    }
    int Paints = 0;
};

const std::string& InputPath();

// A main window as the program shows it, with the pane's paints counted; Loaded: with the input
// file open and painted.
struct TWindow {
    enum TStart : std::uint8_t { Empty, Loaded };

    explicit TWindow(TStart start = Empty)
    {
        Form = std::make_unique<TMainForm>();
        Form->seEditor->viewport()->installEventFilter(&Counter);
        Form->show();
        QApplication::processEvents();
        if (start == Loaded) {
            Form->LoadFromFile(InputPath());
            Paint();
        }
    }
    ~TWindow()
    {
        Form->seEditor->viewport()->removeEventFilter(&Counter);
    }
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    // Lets the window handle what the step posted (scroll bars, repaints) and paint once.
    void Paint()
    {
        const int before = Counter.Paints;
        QApplication::processEvents();
        if (Counter.Paints == before)
            Form->seEditor->viewport()->repaint();
    }
    void Key(int key, Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(Form->seEditor, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers);
        QApplication::sendEvent(Form->seEditor, &release);
    }
    void SelectAll() { Key(Qt::Key_A, Qt::ControlModifier); }
    // A key that types its text, as the keyboard sends it.
    void Type(int key, const QString& text)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(Form->seEditor, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(Form->seEditor, &release);
    }

    TPaintCounter Counter;
    std::unique_ptr<TMainForm> Form;
};

const std::string& InputPath()
{
    static const std::string path = options.File.empty() ? bench::ScaledStylesheetPath(options.Megabytes) : options.File;
    return path;
}

double FileBytes() { return static_cast<double>(std::filesystem::file_size(InputPath())); }

std::string OutPath(const char* name)
{
    const std::filesystem::path dir =
        options.OutDir.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(options.OutDir);
    std::filesystem::create_directories(dir);  // a new folder named on the command line
    return (dir / (std::string("bench_open-") + std::to_string(::getpid()) + "-" + name)).string();
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(std::filesystem::file_size(path)), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// The plain baseline of an open: the file's bytes in one buffer, and a view of every line in it.
struct TPlainLines {
    std::string Bytes;
    std::vector<std::string_view> Lines;
};

TPlainLines PlainReadAndSplit(const std::string& path)
{
    TPlainLines plain;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info{};
    if (fd < 0 || ::fstat(fd, &info) != 0)
        throw std::runtime_error("cannot open " + path);
    plain.Bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (got < plain.Bytes.size()) {
        const ssize_t n = ::read(fd, plain.Bytes.data() + got, plain.Bytes.size() - got);
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    plain.Bytes.resize(got);
    const char* data = plain.Bytes.data();
    std::size_t start = 0;
    while (start < got) {
        const void* lf = std::memchr(data + start, '\n', got - start);
        std::size_t end = lf == nullptr ? got : static_cast<std::size_t>(static_cast<const char*>(lf) - data);
        std::size_t stop = end > start && data[end - 1] == '\r' ? end - 1 : end;
        plain.Lines.emplace_back(data + start, stop - start);
        start = end + 1;
    }
    return plain;
}

// The plain baseline of a save: the bytes written to a new file in one go, then fsync.
void PlainWrite(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
}

// The plain baseline of a bulk edit: the document's bytes copied into a fresh buffer.
double PlainCopySeconds(std::size_t size)
{
    const std::string source(size, 'x');
    const TTimer timer;
    std::unique_ptr<char[]> copy(new char[size]);
    std::memcpy(copy.get(), source.data(), size);
    benchmark::DoNotOptimize(copy.get());
    return timer.Wall();
}

// Sums of the figures over the iterations of one benchmark.
struct TFigures {
    double Wall = 0;
    double Cpu = 0;
    double Baseline = 0;
    int Paints = 0;
    // The slowest step and the median: an edit's first keystroke in a line just read pays for
    // copying it into a block with room and for a first scan that leaves places in it.
    std::vector<double> Steps;

    void Report(benchmark::State& state, const char* baselineName) const
    {
        const double n = static_cast<double>(state.iterations());
        state.counters["ms"] = Wall * 1e3 / n;
        state.counters["cpu_ms"] = Cpu * 1e3 / n;
        state.counters[std::string(baselineName) + "_ms"] = Baseline * 1e3 / n;
        state.counters["vs_baseline"] = Wall / Baseline;
        state.counters["paints"] = Paints;
        state.counters["file_MB"] = FileBytes() / 1e6;
        if (!Steps.empty()) {
            std::vector<double> sorted = Steps;
            std::sort(sorted.begin(), sorted.end());
            state.counters["median_ms"] = sorted[sorted.size() / 2] * 1e3;
            state.counters["max_ms"] = sorted.back() * 1e3;
        }
    }
};

double PlainReadSeconds()
{
    const TTimer timer;
    TPlainLines plain = PlainReadAndSplit(InputPath());
    benchmark::DoNotOptimize(plain.Lines.data());
    return timer.Wall();
}

// The floor of any pass over the text: every byte of the file, already in memory, looked up in a
// 256-entry table once.
double ByteTableSeconds()
{
    static const std::string bytes = ReadAll(InputPath());
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (std::size_t c = 0; c < t.size(); ++c)
            t[c] = static_cast<std::uint8_t>(c == '\n' || c == '*' || c == '/' ? 1 : 0);
        return t;
    }();
    const TTimer timer;
    std::size_t marks = 0;
    for (const char c : bytes)
        marks += table[static_cast<unsigned char>(c)];
    benchmark::DoNotOptimize(marks);
    return timer.Wall();
}

// The common way of reading a text file into lines: ifstream and getline into a string per line.
double GetlineSeconds()
{
    const TTimer timer;
    std::ifstream in(InputPath(), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(std::move(line));
    benchmark::DoNotOptimize(lines.data());
    return timer.Wall();
}

// Times one step with the paint after it and adds it to the figures.
template <typename Step>
void TimeStep(benchmark::State& state, TWindow& window, TFigures& figures, Step&& step)
{
    const int paints = window.Counter.Paints;
    const TTimer timer;
    step();
    window.Paint();
    state.SetIterationTime(timer.Wall());
    figures.Wall += timer.Wall();
    figures.Steps.push_back(timer.Wall());
    figures.Cpu += timer.Cpu();
    figures.Paints += window.Counter.Paints - paints;
}

void BM_Open(benchmark::State& state)
{
    TFigures figures;
    double byteTable = 0;
    double getline = 0;
    for (auto _ : state) {
        TWindow window;
        TimeStep(state, window, figures, [&] { window.Form->LoadFromFile(InputPath()); });
        figures.Baseline += PlainReadSeconds();
        byteTable += ByteTableSeconds();
        getline += GetlineSeconds();
    }
    figures.Report(state, "read_split");
    const double n = static_cast<double>(state.iterations());
    state.counters["byte_table_ms"] = byteTable * 1e3 / n;
    state.counters["vs_byte_table"] = figures.Wall / byteTable;
    state.counters["getline_ms"] = getline * 1e3 / n;
    state.counters["vs_getline"] = figures.Wall / getline;
}

void BM_SecondOpen(benchmark::State& state)
{
    TWindow window(TWindow::Loaded);
    TFigures figures;
    for (auto _ : state) {
        TimeStep(state, window, figures, [&] { window.Form->LoadFromFile(InputPath()); });
        figures.Baseline += PlainReadSeconds();
    }
    figures.Report(state, "read_split");
}

// The threads of this process, as the system counts them.
int ThreadCount()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Threads:"))
            return std::stoi(line.substr(8));
    }
    return 0;
}

// Waits (up to 5 s) until no more than count threads are left.
void WaitForThreads(int count)
{
    for (int i = 0; i < 5000 && ThreadCount() > count; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void BM_Save(benchmark::State& state)
{
    TWindow window(TWindow::Loaded);
    const std::string ours = OutPath("saved.css");
    const std::string plain = OutPath("plain.css");
    TFigures figures;
    std::string savedBytes;
    for (auto _ : state) {
        const int threads = ThreadCount();
        TimeStep(state, window, figures, [&] { window.Form->SaveToFile(ours); });
        // The save lets go of the replaced file on a thread of its own; the baseline runs once that
        // is done, so that it does not pay for it.
        WaitForThreads(threads);
        if (savedBytes.empty())
            savedBytes = ReadAll(ours);
        const TTimer plainTimer;
        PlainWrite(plain, savedBytes);
        figures.Baseline += plainTimer.Wall();
    }
    figures.Report(state, "write");
    state.counters["saved_MB"] = static_cast<double>(savedBytes.size()) / 1e6;
    std::filesystem::remove(ours);
    std::filesystem::remove(plain);
}

// Select all + Delete, then Ctrl+Z, in the pane of a loaded window; which of the two is timed is
// the benchmark's choice, the other step runs untimed so that every iteration starts alike.
void DeleteAndUndo(benchmark::State& state, bool timeUndo)
{
    TWindow window(TWindow::Loaded);
    const int lines = window.Form->seEditor->Lines().Count();
    TFigures figures;
    for (auto _ : state) {
        const int paints = window.Counter.Paints;
        TTimer timer;
        window.SelectAll();
        window.Key(Qt::Key_Delete, Qt::NoModifier);
        window.Paint();
        const double deleteWall = timer.Wall();
        const double deleteCpu = timer.Cpu();
        const int deletePaints = window.Counter.Paints - paints;
        if (window.Form->seEditor->Lines().Count() > 1)
            state.SkipWithError("Delete left lines behind");
        timer = TTimer();
        window.Key(Qt::Key_Z, Qt::ControlModifier);
        window.Paint();
        const double undoWall = timer.Wall();
        const double undoCpu = timer.Cpu();
        if (window.Form->seEditor->Lines().Count() != lines)
            state.SkipWithError("undo did not bring every line back");
        state.SetIterationTime(timeUndo ? undoWall : deleteWall);
        figures.Wall += timeUndo ? undoWall : deleteWall;
        figures.Cpu += timeUndo ? undoCpu : deleteCpu;
        figures.Paints += timeUndo ? window.Counter.Paints - paints - deletePaints : deletePaints;
        figures.Baseline += PlainCopySeconds(static_cast<std::size_t>(FileBytes()));
    }
    figures.Report(state, "copy_bytes");
}

void BM_SelectAllDelete(benchmark::State& state) { DeleteAndUndo(state, false); }
void BM_UndoOfDelete(benchmark::State& state) { DeleteAndUndo(state, true); }

void BM_SelectAllCopy(benchmark::State& state)
{
    TWindow window(TWindow::Loaded);
    TFigures figures;
    for (auto _ : state) {
        TimeStep(state, window, figures, [&] {
            window.SelectAll();
            window.Key(Qt::Key_C, Qt::ControlModifier);
        });
        figures.Baseline += PlainCopySeconds(static_cast<std::size_t>(FileBytes()));
        window.Key(Qt::Key_Home, Qt::ControlModifier);
        window.Paint();
    }
    figures.Report(state, "copy_bytes");
    state.counters["copied_MB"] = static_cast<double>(Desktop().ClipboardText().size()) / 1e6;
}

// The caret in the middle of the document: the middle line, the middle of its text (as far as the
// caret limit lets it go on a long line).
void CaretToMiddle(TWindow& window, bool lineStart)
{
    TSynEditCore& core = window.Form->seEditor->Core();
    const int line = core.Lines().Count() / 2 + 1;
    const int middle = static_cast<int>(core.Lines().Get(line - 1).size()) / 2 + 1;
    core.SetCaretXY({lineStart ? 1 : middle, line});
    window.Paint();
}

// One character typed in the middle of the document, with its repaint; Backspace takes it out
// again untimed.
void BM_Keystroke(benchmark::State& state)
{
    TWindow window(TWindow::Loaded);
    TFigures figures;
    CaretToMiddle(window, false);
    for (auto _ : state) {
        TimeStep(state, window, figures, [&] { window.Type(Qt::Key_X, QStringLiteral("x")); });
        window.Key(Qt::Key_Backspace, Qt::NoModifier);
        window.Paint();
        figures.Baseline += 1e-3;
    }
    figures.Report(state, "one_ms");
}

// "/*" typed at the start of the middle line: the "*" opens a comment, and the lines below change
// their states until the next comment closes it. Timed is the "*" with its repaint.
void BM_OpenComment(benchmark::State& state)
{
    TWindow window(TWindow::Loaded);
    TFigures figures;
    CaretToMiddle(window, true);
    for (auto _ : state) {
        window.Type(Qt::Key_Slash, QStringLiteral("/"));
        window.Paint();
        TimeStep(state, window, figures, [&] { window.Type(Qt::Key_Asterisk, QStringLiteral("*")); });
        window.Key(Qt::Key_Backspace, Qt::NoModifier);
        window.Key(Qt::Key_Backspace, Qt::NoModifier);
        window.Paint();
        figures.Baseline += 1e-3;
    }
    figures.Report(state, "one_ms");
}

long StatusKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    const std::size_t length = std::strlen(field);
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
            return std::stol(line.substr(length + 1));
    }
    return -1;
}

// Sets the peak resident size back to the present one.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Runs in a fresh process: what the step adds to the resident size at its peak, in KiB.
int MeasureMemory(const std::string& mode, const std::string& path)
{
    long before = 0;
    long peak = 0;
    if (mode == "plain") {
        ResetPeak();
        before = StatusKiB("VmRSS");
        TPlainLines plain = PlainReadAndSplit(path);
        peak = StatusKiB("VmHWM");
        benchmark::DoNotOptimize(plain.Lines.data());
    } else {
        TBenchDesktop desktop;
        TWindow window;
        if (mode == "second") {
            window.Form->LoadFromFile(path);
            window.Paint();
        }
        ResetPeak();
        before = StatusKiB("VmRSS");
        window.Form->LoadFromFile(path);
        window.Paint();
        peak = StatusKiB("VmHWM");
    }
    std::printf("%ld %ld\n", before, peak);
    return 0;
}

// The growth of the peak resident size (bytes) of one step, measured in a fresh process.
double MeasuredGrowth(const char* mode)
{
    const std::optional<std::string> output =
        bench::RunSelf({std::string("--measure-memory=") + mode, InputPath()});
    long before = 0;
    long peak = 0;
    if (!output || std::sscanf(output->c_str(), "%ld %ld", &before, &peak) != 2)
        return -1;
    return static_cast<double>(peak - before) * 1024;
}

void MemoryOf(benchmark::State& state, const char* mode)
{
    double ours = 0;
    double plain = 0;
    for (auto _ : state) {
        ours = MeasuredGrowth(mode);
        plain = MeasuredGrowth("plain");
        if (ours < 0 || plain < 0) {
            state.SkipWithError("the measuring process failed");
            return;
        }
    }
    const double size = FileBytes();
    state.counters["file_MB"] = size / 1e6;
    state.counters["peak_growth_MB"] = ours / 1e6;
    state.counters["vs_file"] = ours / size;
    state.counters["plain_growth_MB"] = plain / 1e6;
    state.counters["plain_vs_file"] = plain / size;
    state.counters["vs_baseline"] = ours / plain;
}

void BM_OpenPeakMemory(benchmark::State& state) { MemoryOf(state, "open"); }
void BM_SecondOpenPeakMemory(benchmark::State& state) { MemoryOf(state, "second"); }

void RegisterAll()
{
    const auto timed = [](const char* name, void (*function)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, function)
            ->UseManualTime()
            ->Iterations(options.Repetitions)
            ->Unit(benchmark::kMillisecond);
    };
    const auto memory = [](const char* name, void (*function)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, function)->Iterations(1)->Unit(benchmark::kMillisecond);
    };
    timed("Open", BM_Open);
    memory("OpenPeakMemory", BM_OpenPeakMemory);
    timed("SecondOpen", BM_SecondOpen);
    memory("SecondOpenPeakMemory", BM_SecondOpenPeakMemory);
    timed("Save", BM_Save);
    timed("SelectAllDelete", BM_SelectAllDelete);
    timed("UndoOfDelete", BM_UndoOfDelete);
    timed("SelectAllCopy", BM_SelectAllCopy);
    const auto edit = [](const char* name, void (*function)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, function)
            ->UseManualTime()
            ->Iterations(options.Repetitions * 10)
            ->Unit(benchmark::kMicrosecond);
    };
    edit("Keystroke", BM_Keystroke);
    edit("OpenComment", BM_OpenComment);
}

// Takes this program's own options out of argv and leaves the rest to the benchmark library.
void ParseOptions(int& argc, char** argv)
{
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&](std::string_view name) { return std::string(arg.substr(name.size())); };
        if (arg.starts_with("--file="))
            options.File = value("--file=");
        else if (arg.starts_with("--mb="))
            options.Megabytes = std::max(1, std::stoi(value("--mb=")));
        else if (arg.starts_with("--reps="))
            options.Repetitions = std::max(1, std::stoi(value("--reps=")));
        else if (arg.starts_with("--out="))
            options.OutDir = value("--out=");
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
}

}  // namespace
}  // namespace pindle

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool measuring = argc == 3 && std::string_view(argv[1]).starts_with("--measure-memory=");
    if (measuring && std::string_view(argv[1]) == "--measure-memory=plain")
        return pindle::MeasureMemory("plain", argv[2]);
    pindle::TQtApplication application(argc, argv);
    pindle::Application().SetTitle("Pindle");
    if (measuring)
        return pindle::MeasureMemory(std::string(argv[1] + std::strlen("--measure-memory=")), argv[2]);
    pindle::ParseOptions(argc, argv);
    pindle::TBenchDesktop desktop;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("file: %s (%.1f MB)\n", pindle::InputPath().c_str(), pindle::FileBytes() / 1e6);
    pindle::RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
