// The CSS tokenizer and the editor's line list with line states on the 40 MB generated stylesheet:
// tokenizer throughput, token by token and for end states only (each against a bare table lookup per
// byte), rescanning every line, appending every line with the highlighter attached (time and memory
// per line), Put in the middle, Insert and Delete at the top.
#include "bench/common/BenchData.h"
#include "editor/SynEditLineStates.h"
#include "highlight/SynHighlighterCss.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <ctime>
#include <string>
#include <vector>

namespace pindle {
namespace {

using TClock = std::chrono::steady_clock;

// Bytes in use on the heap, including the large blocks that malloc maps separately.
double HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks) + static_cast<double>(info.hblkhd);
}

double Seconds(TClock::time_point from, TClock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// CPU time of this thread: the machine is shared, and time spent waiting for a core is not ours.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct TBenchText {
    std::vector<std::string> Lines;
    std::size_t Bytes = 0;
};

const TBenchText& BenchText()
{
    static const TBenchText text = [] {
        std::ifstream in(bench::BenchStylesheetPath(), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        const std::string bytes = content.str();
        TBenchText result;
        std::size_t start = 0;
        while (start < bytes.size()) {
            std::size_t end = bytes.find('\n', start);
            if (end == std::string::npos)
                end = bytes.size();
            std::size_t stop = end;
            if (stop > start && bytes[stop - 1] == '\r')
                --stop;
            result.Lines.emplace_back(bytes, start, stop - start);
            result.Bytes += stop - start;
            start = end + 1;
        }
        return result;
    }();
    return text;
}

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "bench_highlight: %s\n", what);
        std::abort();
    }
}

// Passes everything on to the CSS highlighter and counts the lines started, so that a benchmark can
// tell how far a rescan went. Its rest-of-line scan is the highlighter's own jump to the line end, or,
// with TokenByToken, a step through every token: the baseline of the rescan row.
class TForwardingCss final : public TSynCustomHighlighter {
public:
    int LinesStarted = 0;
    bool TokenByToken = false;
    TSynCssSyn Css;

    [[nodiscard]] TSynHighlighterAttributes* StandardAttribute(int index) const noexcept override { return Css.StandardAttribute(index); }
    [[nodiscard]] bool AtLineEnd() const noexcept override { return Css.AtLineEnd(); }
    [[nodiscard]] std::intptr_t LineState() const noexcept override { return Css.LineState(); }
    [[nodiscard]] std::string TokenText() const override { return Css.TokenText(); }
    [[nodiscard]] TSynHighlighterAttributes* TokenAttribute() const noexcept override { return Css.TokenAttribute(); }
    [[nodiscard]] int TokenKind() const noexcept override { return Css.TokenKind(); }
    [[nodiscard]] int TokenStart() const noexcept override { return Css.TokenStart(); }
    void NextToken() noexcept override { Css.NextToken(); }
    void StartLine(std::string_view text, int lineIndex) noexcept override
    {
        ++LinesStarted;
        Css.StartLine(text, lineIndex);
    }
    void SetLineState(std::intptr_t value) noexcept override { Css.SetLineState(value); }
    void ResetLineState() noexcept override { Css.ResetLineState(); }

protected:
    void ScanRestOfLine() noexcept override
    {
        if (!TokenByToken) {
            Css.ScanToLineEnd();
            return;
        }
        while (!Css.AtLineEnd())
            Css.NextToken();
    }
};

// An editor without a window, showing its first 40 lines, filled with every line of the stylesheet.
struct TLoadedEditor {
    TSynEditList Lines;
    TSynEditLineStates States{Lines};
    TForwardingCss Highlighter;

    TLoadedEditor()
    {
        States.OnRepaint = [](const TRepaintRect& rect) { benchmark::DoNotOptimize(rect); };
        States.SetView(1, 40, true);
        States.SetHighlighter(&Highlighter);
        for (const std::string& line : BenchText().Lines)
            Lines.Add(line);
    }
};

// The baseline of the scanning rows: every byte of the text looked up once in a 256-entry table,
// nothing else. Returns the thread's processor time it took.
double LookupPassSeconds(const TBenchText& text)
{
    static constexpr std::array<std::uint8_t, 256> kTable = [] {
        std::array<std::uint8_t, 256> table{};
        for (int c = 0; c < 256; ++c)
            table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>((c * 7) & 15);
        return table;
    }();
    const double start = ThreadSeconds();
    std::uint64_t sum = 0;
    for (const std::string& line : text.Lines) {
        for (const char c : line)
            sum += kTable[static_cast<unsigned char>(c)];
    }
    benchmark::DoNotOptimize(sum);
    return ThreadSeconds() - start;
}

// Runs the lookup baseline and then `scan` over the whole text in every iteration, and reports the
// scan's throughput, the baseline's, and the ratio of their times.
template <class TScan>
void ScanAgainstLookup(benchmark::State& state, TScan scan)
{
    const TBenchText& text = BenchText();
    double scanSeconds = 0;
    double lookupSeconds = 0;
    for (auto _ : state) {
        lookupSeconds += LookupPassSeconds(text);
        const double start = ThreadSeconds();
        scan(text);
        const double seconds = ThreadSeconds() - start;
        scanSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    const double bytes = static_cast<double>(text.Bytes) * static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(text.Bytes) * state.iterations());
    state.counters["MB_per_s"] = bytes / scanSeconds / 1e6;
    state.counters["lookup_MB_per_s"] = bytes / lookupSeconds / 1e6;
    state.counters["x_lookup_time"] = scanSeconds / lookupSeconds;
    state.counters["lines"] = static_cast<double>(text.Lines.size());
}

// Every token of every line, from the state the line before ended in, as the painter steps them:
// each token's kind and start are read before the next is scanned.
void BM_TokenizeAllLines(benchmark::State& state)
{
    TSynCssSyn css;
    std::int64_t tokens = 0;
    ScanAgainstLookup(state, [&css, &tokens](const TBenchText& text) {
        css.ResetLineState();
        int index = 0;
        std::int64_t seen = 0;
        tokens = 0;
        for (const std::string& line : text.Lines) {
            css.StartLine(line, index++);
            while (!css.AtLineEnd()) {
                seen += css.TokenKind() + css.TokenStart();
                css.NextToken();
                ++tokens;
            }
        }
        benchmark::DoNotOptimize(seen);
        benchmark::DoNotOptimize(css.LineState());
    });
    state.counters["tokens"] = static_cast<double>(tokens);
}
BENCHMARK(BM_TokenizeAllLines)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Only the end state of every line, as the editor's rescans ask for it.
void BM_ScanToLineEndAllLines(benchmark::State& state)
{
    TSynCssSyn css;
    ScanAgainstLookup(state, [&css](const TBenchText& text) {
        css.ResetLineState();
        int index = 0;
        for (const std::string& line : text.Lines) {
            css.StartLine(line, index++);
            css.ScanToLineEnd();
        }
        benchmark::DoNotOptimize(css.LineState());
    });
}
BENCHMARK(BM_ScanToLineEndAllLines)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Attaching the highlighter to an editor holding every line rescans them all, as loading a file
// does; timed against the lookup baseline and against the same rescan stepping through every token.
void BM_RescanAllLines(benchmark::State& state)
{
    const TBenchText& text = BenchText();
    TSynEditList lines;
    TSynEditLineStates states(lines);
    for (const std::string& line : text.Lines)
        lines.Add(line);
    TSynCssSyn css;
    TForwardingCss tokenByToken;
    tokenByToken.TokenByToken = true;
    const auto rescanSeconds = [&states](TSynCustomHighlighter& highlighter) {
        const double start = ThreadSeconds();
        states.SetHighlighter(&highlighter);
        const double seconds = ThreadSeconds() - start;
        states.SetHighlighter(nullptr);
        return seconds;
    };
    double lookupSeconds = 0;
    double tokenByTokenSeconds = 0;
    double seconds = 0;
    std::vector<std::intptr_t> expected;
    for (auto _ : state) {
        lookupSeconds += LookupPassSeconds(text);
        tokenByTokenSeconds += rescanSeconds(tokenByToken);
        if (expected.empty()) {
            for (int i = 0; i < lines.Count(); ++i)
                expected.push_back(lines.GetObject(i));
        }
        const double rescan = rescanSeconds(css);
        seconds += rescan;
        state.SetIterationTime(rescan);
    }
    for (int i = 0; i < lines.Count(); ++i)
        Require(lines.GetObject(i) == expected[static_cast<std::size_t>(i)], "the rescans disagree");
    const double bytes = static_cast<double>(text.Bytes) * static_cast<double>(state.iterations());
    state.counters["MB_per_s"] = bytes / seconds / 1e6;
    state.counters["x_lookup_time"] = seconds / lookupSeconds;
    state.counters["token_by_token_ms"] = tokenByTokenSeconds * 1e3 / static_cast<double>(state.iterations());
    state.counters["x_token_by_token_time"] = seconds / tokenByTokenSeconds;
    state.counters["lines"] = static_cast<double>(lines.Count());
}
BENCHMARK(BM_RescanAllLines)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AddAllLinesWithHighlighter(benchmark::State& state)
{
    const TBenchText& text = BenchText();
    TSynCssSyn css;
    double bytesPerLine = 0;
    for (auto _ : state) {
        const double before = HeapInUse();
        const auto start = TClock::now();
        {
            TSynEditList lines;
            TSynEditLineStates states(lines);
            states.SetView(1, 40, true);
            states.OnRepaint = [](const TRepaintRect& rect) { benchmark::DoNotOptimize(rect); };
            states.SetHighlighter(&css);
            for (const std::string& line : text.Lines)
                lines.Add(line);
            state.SetIterationTime(Seconds(start, TClock::now()));
            bytesPerLine = (HeapInUse() - before - static_cast<double>(text.Bytes)) /
                           static_cast<double>(text.Lines.size());
            Require(lines.Count() == static_cast<int>(text.Lines.size()), "lines lost");
        }
    }
    state.counters["lines"] = static_cast<double>(text.Lines.size());
    state.counters["bytes_per_line_beyond_text"] = bytesPerLine;
}
BENCHMARK(BM_AddAllLinesWithHighlighter)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

TLoadedEditor& LoadedEditor()
{
    static TLoadedEditor* editor = new TLoadedEditor();
    return *editor;
}

// A line in the middle whose start and end states are both 0, so that replacing it with another
// plain line changes no state.
int PlainLineNear(const TSynEditList& lines, int from)
{
    for (int i = from; i + 1 < lines.Count(); ++i) {
        if (lines.GetObject(i) == 0 && lines.GetObject(i + 1) == 0 && lines.Get(i).find('*') == std::string_view::npos)
            return i;
    }
    return -1;
}

void BM_PutMiddleLineStateUnchanged(benchmark::State& state)
{
    TLoadedEditor& editor = LoadedEditor();
    const int index = PlainLineNear(editor.Lines, editor.Lines.Count() / 2);
    Require(index >= 0, "no plain line");
    const std::string original(editor.Lines.Get(index));
    const std::string replacement = "  margin: 0 auto;";
    int scanned = 0;
    bool flip = false;
    for (auto _ : state) {
        editor.Highlighter.LinesStarted = 0;
        editor.Lines.Put(index, flip ? original : replacement);
        scanned = editor.Highlighter.LinesStarted;
        flip = !flip;
    }
    editor.Lines.Put(index, original);
    state.counters["lines_scanned"] = scanned;
    state.counters["line_count"] = editor.Lines.Count();
}
BENCHMARK(BM_PutMiddleLineStateUnchanged)->Unit(benchmark::kMicrosecond);

// Replaces a plain line with one that opens a comment, then puts it back; counts the lines each
// rescan scanned and checks the rescan stopped at the first line whose state did not change, and
// where that lies relative to the next "*/".
void PutOpeningComment(benchmark::State& state, int from)
{
    TLoadedEditor& editor = LoadedEditor();
    TSynEditList& lines = editor.Lines;
    const int index = PlainLineNear(lines, from);
    Require(index >= 0, "no plain line");
    const std::string original(lines.Get(index));
    int closeLine = index + 1;
    while (closeLine < lines.Count() && lines.Get(closeLine).find("*/") == std::string_view::npos)
        ++closeLine;
    int openLine = index + 1;
    while (openLine < lines.Count() && lines.Get(openLine).find("/*") == std::string_view::npos)
        ++openLine;
    int scanned = 0;
    for (auto _ : state) {
        editor.Highlighter.LinesStarted = 0;
        lines.Put(index, "/* opened here");
        scanned = editor.Highlighter.LinesStarted;
        state.PauseTiming();
        lines.Put(index, original);
        state.ResumeTiming();
    }
    // The rescan scans the changed line and every line whose start state it rewrote; the first line
    // it leaves alone is the one after the last line scanned.
    lines.Put(index, "/* opened here");
    const int lastScanned = index + scanned - 1;
    TSynCssSyn fresh;
    fresh.ResetLineState();
    for (int i = 0; i < lines.Count(); ++i) {
        Require(lines.GetObject(i) == fresh.LineState(), "stored state differs from a full rescan");
        fresh.StartLine(lines.Get(i), i);
        fresh.ScanToLineEnd();
    }
    lines.Put(index, original);
    state.counters["lines_scanned"] = scanned;
    state.counters["stop_line_minus_put_line"] = lastScanned + 1 - index;
    state.counters["next_close_line_minus_put_line"] = closeLine - index;
    state.counters["next_open_line_minus_put_line"] = openLine - index;
}

// In the generated block, where every comment opens and closes on one line.
void BM_PutOpensCommentInBlock(benchmark::State& state)
{
    PutOpeningComment(state, 50000);
}
BENCHMARK(BM_PutOpensCommentInBlock)->Unit(benchmark::kMicrosecond);

// In the free text, where the next comment spans several lines.
void BM_PutOpensCommentInFreeText(benchmark::State& state)
{
    PutOpeningComment(state, LoadedEditor().Lines.Count() / 2);
}
BENCHMARK(BM_PutOpensCommentInFreeText)->Unit(benchmark::kMicrosecond);

// Insert and Delete at the top; `farGap` first makes the list's gap sit at the far end (by an edit at
// the bottom, outside the timing), which is the most a single edit at the top can cost.
void InsertDeleteAtTop(benchmark::State& state, bool insert, bool farGap)
{
    TLoadedEditor& editor = LoadedEditor();
    TSynEditList& lines = editor.Lines;
    const int count = lines.Count();
    const std::string text = "p { color: red }";
    for (auto _ : state) {
        state.PauseTiming();
        if (!insert)
            lines.Insert(0, text);
        if (farGap) {
            lines.Add(text);
            lines.Delete(lines.Count() - 1);
        }
        state.ResumeTiming();
        if (insert)
            lines.Insert(0, text);
        else
            lines.Delete(0);
        state.PauseTiming();
        if (insert)
            lines.Delete(0);
        state.ResumeTiming();
    }
    Require(lines.Count() == count, "count changed");
    state.counters["line_count"] = count;
}

void BM_InsertAtTop(benchmark::State& state) { InsertDeleteAtTop(state, true, false); }
void BM_InsertAtTopGapAtEnd(benchmark::State& state) { InsertDeleteAtTop(state, true, true); }
void BM_DeleteAtTop(benchmark::State& state) { InsertDeleteAtTop(state, false, false); }
void BM_DeleteAtTopGapAtEnd(benchmark::State& state) { InsertDeleteAtTop(state, false, true); }
BENCHMARK(BM_InsertAtTop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InsertAtTopGapAtEnd)->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_DeleteAtTop)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteAtTopGapAtEnd)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
}  // namespace pindle

BENCHMARK_MAIN();
