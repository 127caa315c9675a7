// Painting one full window (50 rows by 120 columns) of the large generated stylesheet into an
// offscreen image.
#include "bench/common/BenchData.h"
#include "editor/widget/SynEdit.h"
#include "highlight/SynHighlighterCss.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

namespace pindle {
namespace {

constexpr int kRows = 50;
constexpr int kColumns = 120;

struct TFixture {
    TSynCssSyn Css;
    std::unique_ptr<TSynEdit> Editor;
    bool Ready = false;
};

// Made on first use and dropped before the application object goes.
std::unique_ptr<TFixture> fixtureHolder;

TFixture& Fixture()
{
    if (!fixtureHolder)
        fixtureHolder = std::make_unique<TFixture>();
    TFixture& fixture = *fixtureHolder;
    if (fixture.Ready)
        return fixture;
    fixture.Editor = std::make_unique<TSynEdit>();
    TSynEdit& editor = *fixture.Editor;
    editor.SetHighlighter(&fixture.Css);
    std::ifstream in(bench::BenchStylesheetPath(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        editor.Lines().Add(line);
    }
    // Size the widget so that its text area holds exactly the window asked for.
    editor.resize(800, 800);
    editor.show();
    QApplication::processEvents();
    const QSize frame = editor.size() - editor.viewport()->size();
    editor.resize(frame.width() + editor.GutterWidth() + 2 + kColumns * editor.CharWidth() + editor.CharWidth() / 2,
                  frame.height() + kRows * editor.LineHeight() + editor.LineHeight() / 2);
    QApplication::processEvents();
    fixture.Ready = true;
    return fixture;
}

void PaintWindow(benchmark::State& state, bool moving)
{
    TFixture& fixture = Fixture();
    TSynEdit& editor = *fixture.Editor;
    if (editor.Core().LinesInWindow() != kRows || editor.Core().CharsInWindow() != kColumns) {
        state.SkipWithError("the window is not 50 rows by 120 columns");
        return;
    }
    const int lines = editor.Core().LineCount();
    editor.Core().SetTopLine(lines / 2);
    QImage image(editor.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    int top = lines / 2;
    for (auto _ : state) {
        if (moving) {
            top = top + kRows < lines - kRows ? top + kRows : 1;
            state.PauseTiming();
            editor.Core().SetTopLine(top);
            state.ResumeTiming();
        }
        QPainter painter(&image);
        editor.PaintArea(painter, image.rect());
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["lines"] = lines;
    state.counters["rows"] = editor.Core().LinesInWindow();
    state.counters["columns"] = editor.Core().CharsInWindow();
}

void BM_PaintFullWindow(benchmark::State& state) { PaintWindow(state, false); }
// Every iteration paints the next 50 lines, so nothing is warm from the iteration before.
void BM_PaintFullWindowAfterPageDown(benchmark::State& state) { PaintWindow(state, true); }

BENCHMARK(BM_PaintFullWindow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintFullWindowAfterPageDown)->Unit(benchmark::kMicrosecond);

// A window scrolled as far right as it goes on a 1 MB line, with the caret there and a selection
// running to the line's end: Arg 0 ASCII (the plain baseline), Arg 1 CJK text in UTF-8.
std::unique_ptr<TSynEdit> longLineEditors[2];

void BM_PaintLongLine(benchmark::State& state)
{
    const auto index = static_cast<std::size_t>(state.range(0));
    if (!longLineEditors[index]) {
        auto editor = std::make_unique<TSynEdit>();
        std::string line;
        while (line.size() < (1 << 20))
            line += index != 0 ? "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E" : "abc";
        editor->Lines().Add("a {");
        editor->Lines().Add(line);
        editor->Lines().Add("}");
        editor->resize(1000, 800);
        editor->show();
        QApplication::processEvents();
        const int end = static_cast<int>(line.size()) + 1;
        editor->Core().SetSelection({editor->Core().ColumnToChar(2, 1000), 2}, {end, 2});
        longLineEditors[index] = std::move(editor);
    }
    TSynEdit& editor = *longLineEditors[index];
    QImage image(editor.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        editor.PaintArea(painter, image.rect());
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["left_column"] = editor.Core().LeftChar();
}
BENCHMARK(BM_PaintLongLine)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

void ReleaseFixture()
{
    fixtureHolder.reset();
    longLineEditors[0].reset();
    longLineEditors[1].reset();
}

}  // namespace pindle

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    pindle::ReleaseFixture();
    return 0;
}
