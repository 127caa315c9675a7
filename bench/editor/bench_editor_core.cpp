// The editing core with the large generated stylesheet loaded line by line: typing in the middle,
// the long jumps, paging through the whole text, and select all with copy.
#include "bench/common/BenchData.h"
#include "editor/SynEditCore.h"
#include "highlight/SynHighlighterCss.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <time.h>

namespace pindle {
namespace {

using TClock = std::chrono::steady_clock;

class TBenchClipboard : public ISynClipboard {
public:
    void SetText(std::string text) override { Content = std::move(text); }
    std::string Text() override { return Content; }
    std::string Content;
};

// Counts how many rows the repaint areas of one operation cover.
class TRowCounter : public ISynEditCoreListener {
public:
    void Repaint(const TRepaintRect& area) override {
        Rows += area.AllRows ? 1 << 20 : area.LastLine - area.FirstLine + 1;
        ++Areas;
    }
    int Rows = 0;
    int Areas = 0;
};

struct TLoadedEditor {
    TSynCssSyn Css;
    TSynEditCore Core;
    TBenchClipboard Clipboard;
    TRowCounter Rows;
    double LoadSeconds = 0;

    TLoadedEditor() {
        Core.SetHighlighter(&Css);
        Core.SetClipboard(&Clipboard);
        Core.SetWindowSize(50, 120);
        Core.SetVisible(true);
        std::ifstream file(bench::BenchStylesheetPath(), std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        const std::string text = bytes.str();
        const auto start = TClock::now();
        std::size_t from = 0;
        while (from < text.size()) {
            std::size_t end = text.find('\n', from);
            if (end == std::string::npos) end = text.size();
            std::size_t stop = end;
            if (stop > from && text[stop - 1] == '\r') --stop;
            Core.Lines().Add(std::string_view(text).substr(from, stop - from));
            from = end + 1;
        }
        LoadSeconds = std::chrono::duration<double>(TClock::now() - start).count();
        Core.SetListener(&Rows);
    }
};

TLoadedEditor& Editor() {
    static TLoadedEditor editor;
    return editor;
}

double SecondsOf(TClock::time_point start) { return std::chrono::duration<double>(TClock::now() - start).count(); }

// The machine is shared: a step's wall time includes whole time slices given to other processes, so
// the slowest steps are also reported in this thread's own processor time.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void BM_LoadWithAdd(benchmark::State& state) {
    for (auto _ : state) state.SetIterationTime(Editor().LoadSeconds);
    state.counters["lines"] = Editor().Core.LineCount();
}
BENCHMARK(BM_LoadWithAdd)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// One character typed in the middle of the text, then taken away again outside the timing.
void BM_TypeCharInMiddle(benchmark::State& state) {
    auto& e = Editor();
    const int middle = e.Core.LineCount() / 2;
    e.Core.SetCaretXY({3, middle});
    int maxRows = 0;
    int maxAreas = 0;
    for (auto _ : state) {
        e.Rows.Rows = e.Rows.Areas = 0;
        const auto start = TClock::now();
        e.Core.ProcessKeystroke('X', "x");
        state.SetIterationTime(SecondsOf(start));
        maxRows = std::max(maxRows, e.Rows.Rows);
        maxAreas = std::max(maxAreas, e.Rows.Areas);
        e.Core.ExecuteCommand(ecDeleteLastChar);
    }
    state.counters["repaint_rows_max"] = maxRows;
    state.counters["repaint_areas_max"] = maxAreas;
}
BENCHMARK(BM_TypeCharInMiddle)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_CtrlEndThenCtrlHome(benchmark::State& state) {
    auto& e = Editor();
    double maxEnd = 0, maxHome = 0, maxEndCpu = 0, maxHomeCpu = 0;
    for (auto _ : state) {
        auto start = TClock::now();
        double cpu = ThreadSeconds();
        e.Core.ProcessKeystroke(vk::End | scCtrl, {});
        const double end = SecondsOf(start);
        maxEndCpu = std::max(maxEndCpu, ThreadSeconds() - cpu);
        start = TClock::now();
        cpu = ThreadSeconds();
        e.Core.ProcessKeystroke(vk::Home | scCtrl, {});
        const double home = SecondsOf(start);
        maxHomeCpu = std::max(maxHomeCpu, ThreadSeconds() - cpu);
        state.SetIterationTime(end + home);
        maxEnd = std::max(maxEnd, end);
        maxHome = std::max(maxHome, home);
    }
    state.counters["ctrl_end_max_ms"] = maxEnd * 1e3;
    state.counters["ctrl_home_max_ms"] = maxHome * 1e3;
    state.counters["ctrl_end_cpu_max_ms"] = maxEndCpu * 1e3;
    state.counters["ctrl_home_cpu_max_ms"] = maxHomeCpu * 1e3;
}
BENCHMARK(BM_CtrlEndThenCtrlHome)->UseManualTime()->Unit(benchmark::kMicrosecond);

// PgDn from the first line to the last; the time is the whole walk, the counter the slowest step.
void BM_PageDownThroughTheText(benchmark::State& state) {
    auto& e = Editor();
    double maxStep = 0;
    double maxStepCpu = 0;
    int steps = 0;
    for (auto _ : state) {
        e.Core.ExecuteCommand(ecEditorTop);
        const auto walk = TClock::now();
        steps = 0;
        while (e.Core.CaretXY().Line < e.Core.LineCount()) {
            const auto start = TClock::now();
            const double cpu = ThreadSeconds();
            e.Core.ProcessKeystroke(vk::Next, {});
            maxStepCpu = std::max(maxStepCpu, ThreadSeconds() - cpu);
            maxStep = std::max(maxStep, SecondsOf(start));
            ++steps;
        }
        state.SetIterationTime(SecondsOf(walk));
    }
    state.counters["steps"] = steps;
    state.counters["max_step_us"] = maxStep * 1e6;
    state.counters["max_step_cpu_us"] = maxStepCpu * 1e6;
}
BENCHMARK(BM_PageDownThroughTheText)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SelectAllAndCopy(benchmark::State& state) {
    auto& e = Editor();
    double maxSelect = 0;
    double maxCopy = 0;
    double maxCopyCpu = 0;
    for (auto _ : state) {
        auto start = TClock::now();
        e.Core.ProcessKeystroke('A' | scCtrl, {});
        const double select = SecondsOf(start);
        start = TClock::now();
        const double cpu = ThreadSeconds();
        e.Core.ProcessKeystroke('C' | scCtrl, {});
        const double copy = SecondsOf(start);
        maxCopyCpu = std::max(maxCopyCpu, ThreadSeconds() - cpu);
        state.SetIterationTime(select + copy);
        maxSelect = std::max(maxSelect, select);
        maxCopy = std::max(maxCopy, copy);
        benchmark::DoNotOptimize(e.Clipboard.Content.data());
        e.Core.ExecuteCommand(ecEditorTop);
    }
    state.counters["select_all_max_ms"] = maxSelect * 1e3;
    state.counters["copy_max_ms"] = maxCopy * 1e3;
    state.counters["copy_cpu_max_ms"] = maxCopyCpu * 1e3;
    state.counters["copied_mb"] = static_cast<double>(e.Clipboard.Content.size()) / 1e6;
}
BENCHMARK(BM_SelectAllAndCopy)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Not a target of its own, but what a user does now and then: delete the whole text and undo that.
void BM_DeleteAllThenUndo(benchmark::State& state) {
    auto& e = Editor();
    const int lines = e.Core.LineCount();
    double maxDelete = 0;
    double maxUndo = 0;
    for (auto _ : state) {
        e.Core.ExecuteCommand(ecSelectAll);
        auto start = TClock::now();
        e.Core.ProcessKeystroke(vk::Delete, {});
        const double del = SecondsOf(start);
        start = TClock::now();
        e.Core.ProcessKeystroke('Z' | scCtrl, {});
        const double undo = SecondsOf(start);
        state.SetIterationTime(del + undo);
        maxDelete = std::max(maxDelete, del);
        maxUndo = std::max(maxUndo, undo);
        if (e.Core.LineCount() != lines) state.SkipWithError("undo did not bring the lines back");
        e.Core.ExecuteCommand(ecEditorTop);
    }
    state.counters["delete_max_ms"] = maxDelete * 1e3;
    state.counters["undo_max_ms"] = maxUndo * 1e3;
}
BENCHMARK(BM_DeleteAllThenUndo)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

// A single line of 1 MB with the caret at the caret limit: Arg 0 is ASCII (the plain baseline),
// Arg 1 CJK text in UTF-8 (three bytes and two columns a character). Every step maps bytes to
// columns far along the line; the column checkpoints keep that from walking the whole line.
struct TLongLineEditor {
    TSynCssSyn Css;
    TSynEditCore Core;
    TBenchClipboard Clipboard;
    explicit TLongLineEditor(bool cjk) {
        Core.SetHighlighter(&Css);
        Core.SetClipboard(&Clipboard);
        Core.SetWindowSize(50, 120);
        Core.SetVisible(true);
        std::string line;
        line.reserve(1 << 20);
        while (line.size() < (1 << 20)) line += cjk ? "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E" : "abc";
        Core.Lines().Add("a {");
        Core.Lines().Add(line);
        Core.Lines().Add("}");
        Core.SetCaretXY({Core.ColumnToChar(2, Core.MaxLeftChar() - 24), 2});
    }
};

TLongLineEditor& LongLine(bool cjk) {
    static TLongLineEditor ascii(false);
    static TLongLineEditor wide(true);
    return cjk ? wide : ascii;
}

void BM_LongLineKeystroke(benchmark::State& state) {
    auto& e = LongLine(state.range(0) != 0);
    double worst = 0;
    for (auto _ : state) {
        const auto start = TClock::now();
        e.Core.ProcessKeystroke('X', "x");
        const double took = SecondsOf(start);
        state.SetIterationTime(took);
        worst = std::max(worst, took);
        e.Core.ExecuteCommand(ecDeleteLastChar);
    }
    state.counters["max_ms"] = worst * 1e3;
}
BENCHMARK(BM_LongLineKeystroke)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_LongLineCaretMove(benchmark::State& state) {
    auto& e = LongLine(state.range(0) != 0);
    double worst = 0;
    for (auto _ : state) {
        const auto start = TClock::now();
        e.Core.ProcessKeystroke(vk::Right, {});
        const double took = SecondsOf(start);
        state.SetIterationTime(took);
        worst = std::max(worst, took);
        e.Core.ProcessKeystroke(vk::Left, {});
    }
    state.counters["max_ms"] = worst * 1e3;
}
BENCHMARK(BM_LongLineCaretMove)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Replacing the line's last character by pasting: an edit at the very end, far beyond the caret.
void BM_LongLinePasteAtEnd(benchmark::State& state) {
    auto& e = LongLine(state.range(0) != 0);
    const TBufferCoord caret = e.Core.CaretXY();
    e.Clipboard.Content = "x";
    double worst = 0;
    for (auto _ : state) {
        const int end = static_cast<int>(e.Core.LineText(2).size()) + 1;
        e.Core.SetSelection({e.Core.PrevChar(2, end), 2}, {end, 2});
        const auto start = TClock::now();
        e.Core.ProcessKeystroke('V' | scCtrl, {});
        const double took = SecondsOf(start);
        state.SetIterationTime(took);
        worst = std::max(worst, took);
        e.Core.Undo();
    }
    e.Core.SetCaretXY(caret);
    state.counters["max_ms"] = worst * 1e3;
}
BENCHMARK(BM_LongLinePasteAtEnd)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pindle

BENCHMARK_MAIN();
