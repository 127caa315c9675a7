#include "bench/common/BenchData.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pindle::bench {
namespace {

// A small fixed generator, so that every machine and every run makes the same file.
class TRandom {
public:
    explicit TRandom(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    std::uint32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <std::size_t N>
    std::string_view Pick(const std::array<std::string_view, N>& items)
    {
        return items[static_cast<std::size_t>(Below(static_cast<int>(N)))];
    }

private:
    std::uint32_t state_;
};

constexpr std::array<std::string_view, 16> Tags = {"h1", "h2", "h3", "p", "a", "div", "span", "li",
                                                   "td", "th", "body", "pre", "code", "em", "blockquote", "table"};
constexpr std::array<std::string_view, 10> Classes = {"title", "note", "warning", "menu", "footer",
                                                      "header", "lead", "small", "active", "sidebar"};
constexpr std::array<std::string_view, 8> Families = {
    "Arial,Helvetica,sans-serif", "Verdana,Geneva,sans-serif", "Times New Roman,Times,serif", "Courier New,monospace",
    "Georgia,Times New Roman,serif", "Tahoma,Arial,Helvetica", "Trebuchet MS,Arial,sans-serif", "Lucida Console,monospace"};
constexpr std::array<std::string_view, 6> Sizes = {"10pt", "12pt", "14pt", "1.2em", "90%", "18px"};
constexpr std::array<std::string_view, 3> Weights = {"normal", "bold", "bolder"};
constexpr std::array<std::string_view, 3> Styles = {"normal", "italic", "oblique"};
constexpr std::array<std::string_view, 5> Decorations = {"none", "blink", "line-through", "overline", "underline"};
constexpr std::array<std::string_view, 4> Lengths = {"1.5", "2px", "0.1em", "normal"};
constexpr std::array<std::string_view, 8> Colours = {"#FF0000", "#00FF00", "#0000FF", "#FFFF00",
                                                     "#000000", "#FFFFFF", "#808080", "#C0C0C0"};
constexpr std::array<std::string_view, 6> Comments = {
    "Main heading of every page", "Links in the menu bar", "set by hand for the print version",
    "used on every page of the site", "print only, keep it small", "old look, still used by the archive pages"};
constexpr std::array<std::string_view, 12> Declarations = {
    "  margin: 0 auto 12px auto;", "  padding: 4px 8px;", "  color: #333333;", "  border: 1px solid #cccccc;",
    "  display: block;", "  float: left;", "  width: 100%;", "  font: 12px/1.4 Arial, Helvetica, sans-serif;",
    "  background: #ffffff url(img/bg.png) repeat-x top left;", "  text-align: center;", "  position: relative;",
    "  z-index: 10;"};
constexpr std::array<std::string_view, 6> CommentWords = {
    " * Layout of the page header, the navigation bar and the search box.",
    " * Colours follow the site's palette; keep them in step with the logo.",
    " * Old browsers need the float here, newer ones would not care at all.",
    " * TODO: merge with the print styles once the archive pages are gone",
    " *",
    " * See the style guide, section 4, for the spacing of headings."};

void AppendLine(std::string& out, std::string_view line)
{
    out += line;
    out += "\r\n";
}

void AppendRuleLine(std::string& out, TRandom& random)
{
    std::string_view tag = random.Pick(Tags);
    out += tag;
    if (random.Chance(60)) {
        out += '.';
        out += random.Pick(Classes);
    }
    out += " {";
    // Each property with its own chance, in the writer's order.
    if (random.Chance(90)) { out += "font-family:"; out += random.Pick(Families); }
    if (random.Chance(90)) { out += ";font-size:"; out += random.Pick(Sizes); }
    if (random.Chance(75)) { out += ";font-weight:"; out += random.Pick(Weights); }
    if (random.Chance(60)) { out += ";font-style:"; out += random.Pick(Styles); }
    if (random.Chance(60)) { out += ";text-decoration:"; out += random.Pick(Decorations); }
    if (random.Chance(60)) { out += ";line-height:"; out += random.Pick(Lengths); }
    if (random.Chance(40)) { out += ";letter-spacing:"; out += random.Pick(Lengths); }
    if (random.Chance(40)) { out += ";word-spacing:"; out += random.Pick(Lengths); }
    if (random.Chance(85)) { out += ";color:"; out += random.Pick(Colours); }
    if (random.Chance(70)) { out += ";background-color:"; out += random.Pick(Colours); }
    out += ";}";
    if (random.Chance(75)) {
        out += "   /* ";
        out += random.Pick(Comments);
        out += "*/";
    }
    out += "\r\n";
}

// Appends one piece of free CSS (a commented rule, a plain rule or a blank line); returns its line count.
int AppendFreePiece(std::string& out, TRandom& random, int number)
{
    int lines = 0;
    if (random.Chance(40)) {
        AppendLine(out, "/* Section " + std::to_string(number));
        int commentLines = 1 + random.Below(4);
        for (int i = 0; i < commentLines; ++i)
            AppendLine(out, random.Pick(CommentWords));
        AppendLine(out, " */");
        lines += commentLines + 2;
    }
    std::string selector = ".";
    selector += random.Pick(Classes);
    selector += '-';
    selector += std::to_string(number);
    if (random.Chance(30)) {
        selector += ' ';
        selector += random.Pick(Tags);
    }
    AppendLine(out, selector + " {");
    int declarations = 1 + random.Below(6);
    for (int i = 0; i < declarations; ++i)
        AppendLine(out, random.Pick(Declarations));
    AppendLine(out, "}");
    AppendLine(out, "");
    return lines + declarations + 3;
}

// Produces the stylesheet's bytes and hands them to flush whenever about a megabyte has piled up.
template <typename Flush>
void Generate(int ruleLines, int freeLines, std::uint32_t seed, Flush&& flush)
{
    constexpr std::size_t Piece = std::size_t{1} << 20;
    TRandom random(seed);
    std::string out;
    out.reserve(Piece + 4096);
    AppendLine(out, "/**Begin Pindle*****************************************/");
    AppendLine(out, "/**DO NOT MODIFY ANYTHING IN THIS SECTION.**/");
    for (int i = 0; i < ruleLines; ++i) {
        AppendRuleLine(out, random);
        if (out.size() >= Piece)
            flush(out);
    }
    AppendLine(out, "/**End Pindle*******************************************/");
    int written = 0;
    for (int piece = 1; written < freeLines; ++piece) {
        written += AppendFreePiece(out, random, piece);
        if (out.size() >= Piece)
            flush(out);
    }
    flush(out);
}

// Writes the file under the build folder unless it is there already; a half-written file never
// takes the final name.
std::string GeneratedFile(const std::string& name, int ruleLines, int freeLines)
{
    std::filesystem::path file = std::filesystem::path(PINDLE_BENCH_DATA_DIR) / name;
    if (std::filesystem::exists(file))
        return file.string();
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::path partial = file;
    partial += ".partial";
    std::FILE* f = std::fopen(partial.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error("cannot create " + partial.string());
    bool ok = true;
    Generate(ruleLines, freeLines, 20261208, [&](std::string& bytes) {
        ok = ok && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        bytes.clear();
    });
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        throw std::runtime_error("cannot write " + partial.string());
    std::filesystem::rename(partial, file);
    return file.string();
}

}  // namespace

std::string GenerateStylesheet(int ruleLines, int freeLines, std::uint32_t seed)
{
    std::string all;
    all.reserve(static_cast<std::size_t>(ruleLines) * 170 + static_cast<std::size_t>(freeLines) * 24 + 256);
    Generate(ruleLines, freeLines, seed, [&](std::string& bytes) {
        all += bytes;
        bytes.clear();
    });
    return all;
}

const std::string& BenchStylesheetPath()
{
    static const std::string path = GeneratedFile("stylesheet40-v1.css", 100000, 1000000);
    return path;
}

std::string ScaledStylesheetPath(int megabytes)
{
    if (megabytes == 40)
        return BenchStylesheetPath();
    return GeneratedFile("stylesheet" + std::to_string(megabytes) + "-v1.css", 2500 * megabytes, 25000 * megabytes);
}

std::optional<std::string> RunSelf(const std::vector<std::string>& arguments)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::vector<std::string> words = arguments;
    std::vector<char*> argv{self.data()};
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    std::string output;
    char buffer[256];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    if (spawned != 0 || ::waitpid(child, &status, 0) != child || status != 0)
        return std::nullopt;
    return output;
}

}  // namespace pindle::bench
