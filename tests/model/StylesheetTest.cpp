#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "model/Stylesheet.h"
#include "model/Utils.h"
#include "platform/Exceptions.h"
#include "tests/model/TestFiles.h"

namespace pindle {
namespace {

const std::string Begin = "/**Begin Pindle*****************************************/";
const std::string Warning = "/**DO NOT MODIFY ANYTHING IN THIS SECTION.**/";
const std::string End = "/**End Pindle*******************************************/";

// The two rows of the worked example: h1 and p.note.
std::vector<TStyleRow> ExampleRows()
{
    TStyleRow h1;
    h1.Caption = "h1";
    h1.SubItems[scFontFamily] = "Arial,Helvetica";
    h1.SubItems[scFontSize] = "14pt";
    h1.SubItems[scFontWeight] = "bold";
    h1.SubItems[scDecoration] = "underline";
    h1.SubItems[scColor] = "#FF0000";
    h1.SubItems[scComment] = "Main heading";
    TStyleRow note;
    note.Caption = "p.note";
    note.SubItems[scBgColor] = "#FFFF00";
    return {h1, note};
}

const char* const ExampleH1 =
    "h1 {font-family:Arial,Helvetica;font-size:14pt;font-weight:bold;text-decoration:underline;color:#FF0000;}   /* Main heading*/";
const char* const ExampleNote = "p.note {;background-color:#FFFF00;}";

TStyleRow Row(std::string caption, std::initializer_list<std::pair<int, std::string>> items)
{
    TStyleRow row;
    row.Caption = std::move(caption);
    for (const auto& [k, text] : items)
        row.SubItems[static_cast<std::size_t>(k)] = text;
    return row;
}

TEST(StylesheetMarkers, HaveTheFileFormatsExactText)
{
    EXPECT_EQ(BeginMarker, Begin);
    EXPECT_EQ(EndMarker, End);
    EXPECT_EQ(BeginMarker.size(), 57u);
    EXPECT_EQ(EndMarker.size(), 57u);
    EXPECT_EQ(WarningLine, Warning);
}

TEST(BuildRuleLine, WritesPropertiesInTheFixedOrder)
{
    std::vector<TStyleRow> rows = ExampleRows();
    EXPECT_EQ(BuildRuleLine(rows[0]), ExampleH1);
    EXPECT_EQ(BuildRuleLine(rows[1]), ExampleNote);

    struct Case {
        TStyleRow row;
        const char* line;
    } cases[] = {
        {Row("", {}), " {;}"},
        {Row("em", {{scComment, "just a note"}}), "em {;}   /* just a note*/"},
        {Row("td", {{scFontSize, "  "}}), "td {;font-size:  ;}"},  // blanks are a value
        {Row("a", {{scWordSpacing, "1"}, {scLetterSpacing, "2"}, {scLineHeight, "3"}, {scFontStyle, "italic"}}),
         "a {;font-style:italic;line-height:3;letter-spacing:2;word-spacing:1;}"},
        {Row(" x", {{scFontFamily, "A;B"}}), " x {font-family:A;B;}"},  // nothing is escaped
    };
    for (const Case& c : cases)
        EXPECT_EQ(BuildRuleLine(c.row), c.line);
}

TEST(ParseRuleLine, ReadsTheWorkedExamples)
{
    std::vector<TStyleRow> rows = ExampleRows();
    EXPECT_EQ(ParseRuleLine(ExampleH1), rows[0]);
    EXPECT_EQ(ParseRuleLine(ExampleNote), rows[1]);
}

TEST(ParseRuleLine, ReadsHandWrittenLines)
{
    struct Case {
        const char* line;
        TStyleRow row;
    } cases[] = {
        // Properties in any order, names in any letter case.
        {"x {color:red;font-family:serif;}", Row("x", {{scColor, "red"}, {scFontFamily, "serif"}})},
        {"x {BACKGROUND-COLOR:#000;Color:#fff}", Row("x", {{scBgColor, "#000"}, {scColor, "#fff"}})},
        {"x { font-size:12pt; font-weight:bold }", Row("x", {{scFontSize, "12pt"}, {scFontWeight, "bold "}})},
        // Key text in the comment stays in the comment.
        {"x {;}   /* set color: later*/", Row("x", {{scComment, "set color: later"}})},
        {"x {font-size:1;}   /* font-size:2;color:3*/", Row("x", {{scFontSize, "1"}, {scComment, "font-size:2;color:3"}})},
        // Declarations that are no known property end up in the comment.
        {"x {margin:0;color:red;padding:1}", Row("x", {{scColor, "red"}, {scComment, "margin:0;padding:1"}})},
        {"x {color:red;color:blue;}  /* c */", Row("x", {{scColor, "red"}, {scComment, "color:blue c"}})},
        {"x {;} c /* d */", Row("x", {{scComment, "c  d"}})},
        // A last declaration without its ";" is closed by the brace; a brace inside a value is not.
        {"t {;text-decoration:underline}   /* u*/", Row("t", {{scDecoration, "underline"}, {scComment, "u"}})},
        {"t {font-family:{a};color:b}c;}", Row("t", {{scFontFamily, "{a}"}, {scColor, "b}c"}})},
        // Values keep their blanks and letter case.
        {"x {font-family: Times New Roman ;}", Row("x", {{scFontFamily, " Times New Roman "}})},
        // Captions: leading blanks kept; without " {" there is none.
        {"  h2.a {color:red;}", Row("  h2.a", {{scColor, "red"}})},
        {"h1{color:red;}", Row("", {{scColor, "red"}})},
        {"", Row("", {})},
        {"   ", Row("", {})},
        {"garbage", Row("", {{scComment, "arbage"}})},
        // Comment delimiters inside the comment are removed, blanks around it trimmed.
        {"x {;}   /* a /* b */ c*/  ", Row("x", {{scComment, "a  b  c"}})},
        {"x {;}   /*    */", Row("x", {})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseRuleLine(c.line), c.row) << "line: " << c.line;
}

// Random rows of texts that the file format can carry back unchanged.
std::vector<TStyleRow> RandomRows(std::mt19937& random, int count)
{
    const std::string alphabet = "abcXYZ019 #.,-%(){}\"'!:\xe9\xff";
    auto text = [&](std::size_t maxLength) {
        std::string s;
        std::size_t length = random() % (maxLength + 1);
        for (std::size_t i = 0; i < length; ++i)
            s += alphabet[random() % alphabet.size()];
        return s;
    };
    std::vector<TStyleRow> rows;
    for (int i = 0; i < count; ++i) {
        TStyleRow row;
        row.Caption = text(12);
        if (row.Caption.find(" {") != std::string::npos)
            row.Caption = "p";
        for (int k = 0; k < 10; ++k)
            if (random() % 2 == 0)
                row.SubItems[static_cast<std::size_t>(k)] = text(10);
        std::string comment = text(20);
        std::size_t first = comment.find_first_not_of(' ');
        std::size_t last = comment.find_last_not_of(' ');
        row.SubItems[scComment] = first == std::string::npos ? "" : comment.substr(first, last - first + 1);
        rows.push_back(row);
    }
    return rows;
}

TEST(ParseRuleLine, ReadsBackEveryRowTheWriterBuilds)
{
    std::mt19937 random(42);
    for (const TStyleRow& row : RandomRows(random, 3000))
        ASSERT_EQ(ParseRuleLine(BuildRuleLine(row)), row) << BuildRuleLine(row);
}

TEST(ParseRuleLine, TurnsTheFormatsKnownLossesIntoCommentTextNotSilence)
{
    // A value holding ";" cannot come back whole, but its second half is kept in the comment.
    TStyleRow row = Row("x", {{scFontFamily, "A;B"}, {scComment, "c"}});
    EXPECT_EQ(ParseRuleLine(BuildRuleLine(row)), Row("x", {{scFontFamily, "A"}, {scComment, "B c"}}));
}

class StylesheetFileTest : public pindle::testing::TTempFolderTest {
protected:
    // What a file gives when it is opened, given the row "h1 {;}" and saved; it then saves again
    // unchanged.
    static std::string SavedWithOneRow(const std::string& path)
    {
        TStylesheet sheet = ReadStylesheet(path);
        sheet.Rows.assign(1, Row("h1", {}));
        WriteStylesheet(path, sheet.Rows, sheet.PaneLines, sheet.Format);
        const std::string saved = ReadBytes(path);
        const TStylesheet again = ReadStylesheet(path);
        EXPECT_EQ(again.Rows, sheet.Rows);
        WriteStylesheet(path, again.Rows, again.PaneLines, again.Format);
        EXPECT_TRUE(ReadBytes(path) == saved) << "a second save wrote other bytes";
        return saved;
    }
};

TEST_F(StylesheetFileTest, WritesAnEmptyDocumentAsTheThreeMarkerLines)
{
    std::string path = PathOf("empty.css");
    WriteStylesheet(path, {}, {});
    EXPECT_EQ(ReadBytes(path), Begin + "\r\n" + Warning + "\r\n" + End + "\r\n");
}

TEST_F(StylesheetFileTest, WritesTheWorkedExampleByteForByte)
{
    std::string path = PathOf("example.css");
    WriteStylesheet(path, ExampleRows(), {"body {margin:0}", ""});
    EXPECT_EQ(ReadBytes(path), Begin + "\r\n" + Warning + "\r\n" + ExampleH1 + "\r\n" + ExampleNote + "\r\n" + End
                                   + "\r\n" + "body {margin:0}\r\n" + "\r\n");
}

TEST(ParseStylesheet, SortsLinesIntoTheBlockAndThePane)
{
    using Lines = std::vector<std::string>;
    struct Case {
        const char* name;
        std::string text;
        Lines captions;
        Lines pane;
    } cases[] = {
        {"writer's output", Begin + "\r\n" + Warning + "\r\na {;}\r\n" + End + "\r\nfree\r\n", {"a"}, {"free"}},
        {"markers in any case and anywhere in a line",
         "x /**bEgIn pInDlE\r\nb {;}\r\n  trailing **END pindle\r\nafter\r\n", {"", "b", ""}, {"after"}},
        {"comment lines in the block are dropped", Begin + "\r\n   /* note */\r\nc {;}\r\n/*x\r\n" + End + "\r\n", {"c"}, {}},
        {"two blocks", Begin + "\r\na {;}\r\n" + End + "\r\nbetween\r\n" + Begin + "\r\nb {;}\r\n" + End + "\r\n",
         {"a", "b"}, {"between"}},
        {"end marker without a begin marker is free text", "one\r\n" + End + "\r\ntwo\r\n", {}, {"one", End, "two"}},
        {"text before the block goes to the pane", "before\r\n" + Begin + "\r\nr {;}\r\n" + End + "\r\n", {"r"}, {"before"}},
        {"begin marker without end marker", "p\r\n" + Begin + "\r\nx {;}\r\n\r\n /* c\r\n", {"x", ""}, {"p"}},
        {"no block at all", "a {b:c}\r\n\r\n", {}, {"a {b:c}", ""}},
    };
    for (const Case& c : cases) {
        TStylesheet sheet = ParseStylesheet(c.text);
        Lines captions;
        for (const TStyleRow& row : sheet.Rows)
            captions.push_back(row.Caption);
        EXPECT_EQ(captions, c.captions) << c.name;
        EXPECT_EQ(sheet.PaneLines, c.pane) << c.name;
    }
}

// The reader looks at most lines eight bytes at a time: a marker, or a byte beyond ASCII, is found
// wherever in the line it stands.
TEST(ParseStylesheet, FindsMarkersAndEncodingAtEveryPlaceOfALine)
{
    for (std::size_t at = 0; at < 20; ++at) {
        const std::string pad(at, 'a');
        TStylesheet marked = ParseStylesheet(pad + "**begin pindle\r\nb {;}\r\n" + pad + "**END PINDLE" + pad + "\r\nafter\r\n");
        ASSERT_EQ(marked.Rows.size(), 3u) << at;  // the marker lines are rows too
        EXPECT_EQ(marked.Rows[1].Caption, "b") << at;
        EXPECT_EQ(marked.PaneLines, std::vector<std::string>{"after"}) << at;
        EXPECT_EQ(ParseStylesheet(pad + "\xC3\xA9" + pad + "\r\n").Format.Encoding, TTextEncoding::Utf8) << at;
        EXPECT_EQ(ParseStylesheet(pad + "\xE9" + pad + "\r\n").Format.Encoding, TTextEncoding::Windows1252) << at;
        EXPECT_EQ(ParseStylesheet("x\r\n" + pad + "*\xFF").Format.Encoding, TTextEncoding::Windows1252) << at;
    }
}

TEST(ParseStylesheet, AcceptsEveryKindOfLineEnd)
{
    std::string lf = Begin + "\na {color:red;}\n" + End + "\nx\n\ny";
    std::string cr = Begin + "\ra {color:red;}\r" + End + "\rx\r\ry";
    std::string mixed = Begin + "\r\na {color:red;}\r" + End + "\nx\r\n\ny";
    for (const std::string& text : {lf, cr, mixed}) {
        TStylesheet sheet = ParseStylesheet(text);
        ASSERT_EQ(sheet.Rows.size(), 1u);
        EXPECT_EQ(sheet.Rows[0], Row("a", {{scColor, "red"}}));
        EXPECT_EQ(sheet.PaneLines, (std::vector<std::string>{"x", "", "y"}));
    }
}

TEST_F(StylesheetFileTest, ReadsBackWhatItWrote)
{
    std::mt19937 random(7);
    std::vector<TStyleRow> rows = RandomRows(random, 500);
    std::vector<std::string> pane = {"", "body {color:red}", std::string("nul\0and\x1a ctrl-z", 15), "\xe9t\xe9", "  ", ""};
    std::string path = PathOf("round.css");
    WriteStylesheet(path, rows, pane);
    TStylesheet sheet = ReadStylesheet(path);
    EXPECT_EQ(sheet.Rows, rows);
    EXPECT_EQ(sheet.PaneLines, pane);

    // Saved again, the file does not change.
    std::string bytes = ReadBytes(path);
    WriteStylesheet(path, sheet.Rows, sheet.PaneLines);
    EXPECT_EQ(ReadBytes(path), bytes);
}

// What the streaming reader hands over, in the order it comes.
class TOrderLog final : public IStylesheetReceiver {
public:
    void AddRow(TStyleRow row) override { Items.push_back("row " + row.Caption); }
    void AddPaneLine(std::string_view line) override { Items.push_back("line " + std::string(line)); }
    std::vector<std::string> Items;
};

TEST_F(StylesheetFileTest, StreamingReaderHandsOverRowsAndLinesInFileOrder)
{
    std::string path = WriteBytes("order.css", "top\r\n" + Begin + "\r\n" + Warning + "\r\na {;}\r\n" + End +
                                                   "\r\nmiddle\n" + Begin + "\rb {;}\r" + End + "\rlast");
    TOrderLog log;
    ReadStylesheet(path, log);
    EXPECT_EQ(log.Items, (std::vector<std::string>{"line top", "row a", "line middle", "row b", "line last"}));
    // The reader that returns a whole stylesheet gives the same.
    TStylesheet sheet = ReadStylesheet(path);
    EXPECT_EQ(sheet.PaneLines, (std::vector<std::string>{"top", "middle", "last"}));
    ASSERT_EQ(sheet.Rows.size(), 2u);
    EXPECT_EQ(sheet.Rows[1].Caption, "b");
    TOrderLog none;
    EXPECT_THROW(ReadStylesheet(PathOf("missing.css"), none), EInOutError);
    EXPECT_TRUE(none.Items.empty());
}

TEST_F(StylesheetFileTest, WritingFromALineSourceGivesTheBytesOfAVector)
{
    const std::vector<std::string> pane = {"body {}", "", std::string("nul\0byte", 8), std::string(100000, 'w')};
    struct TSource final : IStylesheetLines {
        const std::vector<std::string>& Lines;
        explicit TSource(const std::vector<std::string>& lines) : Lines(lines) {}
        std::size_t Count() const override { return Lines.size(); }
        std::string_view Line(std::size_t index) const override { return Lines[index]; }
    };
    WriteStylesheet(PathOf("vector.css"), ExampleRows(), pane);
    WriteStylesheetLines(PathOf("source.css"), ExampleRows(), TSource(pane));
    EXPECT_EQ(ReadBytes(PathOf("source.css")), ReadBytes(PathOf("vector.css")));
}

TEST_F(StylesheetFileTest, MovesFreeTextBeforeTheBlockBehindItOnTheNextSave)
{
    std::string path = WriteBytes("hand.css", "/* site */\r\n" + Begin + "\r\n" + Warning + "\r\nh1 {;}\r\n" + End + "\r\np {}\r\n");
    TStylesheet sheet = ReadStylesheet(path);
    WriteStylesheet(path, sheet.Rows, sheet.PaneLines);
    EXPECT_EQ(ReadBytes(path), Begin + "\r\n" + Warning + "\r\nh1 {;}\r\n" + End + "\r\n/* site */\r\np {}\r\n");
}

// A file is read in the encoding its bytes are valid in, its byte-order mark is not text, and a save
// gives it back in the same encoding with the mark first and the statements CSS wants before every
// rule ahead of the block.
TEST_F(StylesheetFileTest, KeepsAFilesEncodingMarkAndLeadingStatements)
{
    const std::string block = Begin + "\r\n" + Warning + "\r\nh1 {;}\r\n" + End + "\r\n";
    const std::string bom = "\xEF\xBB\xBF";
    struct TCase {
        const char* name;
        std::string file;
        TTextEncoding encoding;
        bool mark;
        std::size_t rows;
        std::string firstPaneLine;
        std::string saved;  // empty: the file itself
    } cases[] = {
        {"ascii", block + "p {}\r\n", TTextEncoding::Utf8, false, 1, "p {}", ""},
        {"utf-8", block + "/* Caf\xC3\xA9 \xE2\x86\x92 \xE6\x97\xA5\xE6\x9C\xAC */\r\n", TTextEncoding::Utf8, false, 1,
         "/* Caf\xC3\xA9 \xE2\x86\x92 \xE6\x97\xA5\xE6\x9C\xAC */", ""},
        {"windows-1252", block + "/* Caf\xE9 \x96 \x93x\x94 */\r\n", TTextEncoding::Windows1252, false, 1,
         "/* Caf\xE9 \x96 \x93x\x94 */", ""},
        {"utf-8 but one byte", block + "/* \xE6\x97\xA5 \xE6\x97 */\r\n", TTextEncoding::Windows1252, false, 1,
         "/* \xE6\x97\xA5 \xE6\x97 */", ""},
        {"overlong form", block + "/* \xC0\xAF */\r\n", TTextEncoding::Windows1252, false, 1, "/* \xC0\xAF */", ""},
        {"mark then block", bom + block + "p {}\r\n", TTextEncoding::Utf8, true, 1, "p {}", ""},
        {"mark then text", bom + "p {}\r\n", TTextEncoding::Utf8, true, 0, "p {}",
         bom + Begin + "\r\n" + Warning + "\r\n" + End + "\r\np {}\r\n"},
        {"statements first", "@charset \"UTF-8\";\r\n/* fonts */\r\n@import url(fonts.css);\r\n" + block + "\r\np {}\r\n",
         TTextEncoding::Utf8, false, 1, "@charset \"UTF-8\";", ""},
        {"statements moved up", block + "@import url(fonts.css);\r\n@layer base, theme;\r\n@namespace svg url(x);\r\np {}\r\n",
         TTextEncoding::Utf8, false, 1, "@import url(fonts.css);",
         "@import url(fonts.css);\r\n@layer base, theme;\r\n@namespace svg url(x);\r\n" + block + "p {}\r\n"},
        {"a comment left open after a statement follows the block",
         "@import 'a.css'; /* until\r\nlater */ p {}\r\n" + block, TTextEncoding::Utf8, false, 1,
         "@import 'a.css'; /* until", "@import 'a.css';\r\n" + block + " /* until\r\nlater */ p {}\r\n"},
        {"an @layer block is a rule", "@layer base { p {} }\r\n" + block, TTextEncoding::Utf8, false, 1,
         "@layer base { p {} }", block + "@layer base { p {} }\r\n"},
        {"a rule first", "p {}\r\n@import url(late.css);\r\n" + block, TTextEncoding::Utf8, false, 1, "p {}",
         block + "p {}\r\n@import url(late.css);\r\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteBytes("format.css", c.file);
        const TStylesheet sheet = ReadStylesheet(path);
        EXPECT_EQ(sheet.Format.Encoding, c.encoding);
        EXPECT_EQ(sheet.Format.ByteOrderMark, c.mark);
        EXPECT_EQ(sheet.Rows.size(), c.rows);
        ASSERT_FALSE(sheet.PaneLines.empty());
        EXPECT_EQ(sheet.PaneLines.front(), c.firstPaneLine);
        EXPECT_EQ(ParseStylesheet(c.file).Format, sheet.Format);
        WriteStylesheet(path, sheet.Rows, sheet.PaneLines, sheet.Format);
        const std::string saved = ReadBytes(path);
        EXPECT_EQ(saved, c.saved.empty() ? c.file : c.saved);
        // What the save wrote saves again unchanged.
        const TStylesheet again = ReadStylesheet(path);
        WriteStylesheet(path, again.Rows, again.PaneLines, again.Format);
        EXPECT_EQ(ReadBytes(path), saved);
    }
}

// The block goes after the statements that a browser honours only before every rule, breaking the
// head's line where no line end outside a comment follows them.
TEST_F(StylesheetFileTest, PutsTheBlockRightAfterTheLeadingStatements)
{
    const std::string block = Begin + "\r\n" + Warning + "\r\nh1 {;}\r\n" + End + "\r\n";
    struct TCase {
        const char* name;
        std::string file;
        std::string saved;
    } cases[] = {
        {"a comment closing where the rules begin", "@charset \"UTF-8\";/*!\n * Pico \xE2\x9C\xA8\n */:host,:root{}\n",
         "@charset \"UTF-8\";\r\n" + block + "/*!\r\n * Pico \xE2\x9C\xA8\r\n */:host,:root{}\r\n"},
        {"minified", "@charset \"UTF-8\";@keyframes p{to{width:0}}",
         "@charset \"UTF-8\";\r\n" + block + "@keyframes p{to{width:0}}\r\n"},
        {"a line end after a comment", "@charset \"UTF-8\";/*!\r\n * x\r\n */\r\n:root {}\r\n",
         "@charset \"UTF-8\";/*!\r\n * x\r\n */\r\n" + block + ":root {}\r\n"},
        {"closed by the end of the file", "@import'@nutui/icons-vue/dist/style_iconfont.css'",
         "@import'@nutui/icons-vue/dist/style_iconfont.css';\r\n" + block},
        {"closed by the end of the file before a comment", "@import \"a\" /* c\r\n",
         "@import \"a\";\r\n" + block + " /* c\r\n"},
        {"closed by the end of the file, a line before it", "@IMPORT \"a\" /* b */\r\n\r\n/* c */",
         "@IMPORT \"a\" /* b */;\r\n" + block + "\r\n/* c */\r\n"},
        {"a head that ends with its line", "@import \"a\"; /* c */\r\np{}\r\n",
         "@import \"a\"; /* c */\r\n" + block + "p{}\r\n"},
        {"@layer names, then @import", "@layer a, b;@import url(x.css) layer(a);p{}",
         "@layer a, b;@import url(x.css) layer(a);\r\n" + block + "p{}\r\n"},
        {"comments and blanks among statements",
         "/* top */\n@charset \"UTF-8\";\n\n/* fonts */ @import url(a.css);  /* b */ @namespace svg "
         "url(http://www.w3.org/2000/svg); a{}",
         "/* top */\r\n@charset \"UTF-8\";\r\n\r\n/* fonts */ @import url(a.css);  /* b */ @namespace svg "
         "url(http://www.w3.org/2000/svg);\r\n" + block + " a{}\r\n"},
        {"strings holding ; and /*", "@import \"https://f.x/css?family=A;B\";@import 'a/*b.css';@font-face{}",
         "@import \"https://f.x/css?family=A;B\";@import 'a/*b.css';\r\n" + block + "@font-face{}\r\n"},
        {"an escaped quote", "@import \"a\\\";b.css\";p{}", "@import \"a\\\";b.css\";\r\n" + block + "p{}\r\n"},
        {"an escaped ;", "@import a\\;b;p{}", "@import a\\;b;\r\n" + block + "p{}\r\n"},
        {"url( holding ; and {", "@import url(a;{b.css);p{}", "@import url(a;{b.css);\r\n" + block + "p{}\r\n"},
        {"brackets holding ; and {", "@import \"a\" supports(x{y;});p{}",
         "@import \"a\" supports(x{y;});\r\n" + block + "p{}\r\n"},
        {"CR line ends", "@charset \"x\";\r/*\r*/p{}\r", "@charset \"x\";\r\n" + block + "/*\r\n*/p{}\r\n"},
        {"an @layer block is a rule", "@import \"a\";@layer x{p{}}",
         "@import \"a\";\r\n" + block + "@layer x{p{}}\r\n"},
        {"an @import with a block is a rule", "@import \"a\";@import \"b\" {}p{}",
         "@import \"a\";\r\n" + block + "@import \"b\" {}p{}\r\n"},
        {"an open string after a statement", "@import \"a\";@import \"b;c",
         "@import \"a\";\r\n" + block + "@import \"b;c\r\n"},
        {"a string cut by its line end", "@import \"a\n/* c", block + "@import \"a\r\n/* c\r\n"},
        {"an open comment after a statement", "@import \"a\"; /* open", "@import \"a\";\r\n" + block + " /* open\r\n"},
        {"a backslash at the end of the text", "@import \"a\";@import b\\",
         "@import \"a\";\r\n" + block + "@import b\\\r\n"},
        {"a statement after a rule", "p{}\n@import \"a\";", block + "p{}\r\n@import \"a\";\r\n"},
        {"windows-1252", "@charset \"windows-1252\";/* caf\xE9 */p{content:\"\xE9\"}",
         "@charset \"windows-1252\";\r\n" + block + "/* caf\xE9 */p{content:\"\xE9\"}\r\n"},
        {"only a byte-order mark", "\xEF\xBB\xBF", "\xEF\xBB\xBF" + block},
        {"a byte-order mark and a line end", "\xEF\xBB\xBF\r\n", "\xEF\xBB\xBF" + block + "\r\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteBytes("head.css", c.file);
        const TStylesheet sheet = ReadStylesheet(path);
        EXPECT_EQ(ParseStylesheet(c.file).PaneLines, sheet.PaneLines);
        EXPECT_EQ(ParseStylesheet(c.file).Format, sheet.Format);
        EXPECT_EQ(SavedWithOneRow(path), c.saved);
    }
}

// Random heads: what a save writes reads back as the same rows and the pane's text with at most a
// ";" and a line end added where the block went in, and saves again to the same bytes.
TEST_F(StylesheetFileTest, ChangesARandomHeadAtMostByTheBreakAndSavesItOnceForAll)
{
    const std::vector<std::string> pieces = {"@import", "@charset", "@layer", "@namespace", " ", "\"", "'", ";", ";",
                                             "/*", "*/", "url(", "url( 'x' )", "(", ")", "{", "}", "[", "\\", "\\\n",
                                             "a", "p{}", "@media", "\n", "\r\n"};
    std::mt19937 random(2024);
    const std::string path = PathOf("random.css");
    for (int round = 0; round < 150; ++round) {
        std::string text = pieces[random() % 4];
        for (std::size_t n = 1 + random() % 16; n > 0; --n)
            text += pieces[random() % pieces.size()];
        SCOPED_TRACE(text);
        const TStylesheet sheet = ParseStylesheet(text);
        const std::vector<TStyleRow> rows = {Row("h1", {})};
        WriteStylesheet(path, rows, sheet.PaneLines, sheet.Format);
        const std::string saved = ReadBytes(path);
        const TStylesheet again = ReadStylesheet(path);
        EXPECT_EQ(again.Rows, rows);
        std::string before;
        std::string after;
        for (const std::string& line : sheet.PaneLines)
            before += line + "\n";
        for (const std::string& line : again.PaneLines)
            after += line + "\n";
        const auto d = static_cast<std::size_t>(
            std::mismatch(before.begin(), before.end(), after.begin(), after.end()).second - after.begin());
        if (d < after.size() && after[d] == ';')
            after.erase(d, 1);
        if (after != before && d < after.size() && after[d] == '\n')
            after.erase(d, 1);
        EXPECT_EQ(after, before);
        WriteStylesheet(path, again.Rows, again.PaneLines, again.Format);
        EXPECT_EQ(ReadBytes(path), saved);
    }
}

// A head of some MB is measured in one pass and never broken inside a comment or string.
TEST_F(StylesheetFileTest, MeasuresAHeadThatNeverEndsInOnePass)
{
    const std::string block = Begin + "\r\n" + Warning + "\r\nh1 {;}\r\n" + End + "\r\n";
    std::string imports;
    while (imports.size() < (4u << 20))
        imports += "@import \"a.css\";";
    // Compared without printing: a failure message of some MB helps nobody.
    EXPECT_TRUE(SavedWithOneRow(WriteBytes("imports.css", imports + "p{}")) == imports + "\r\n" + block + "p{}\r\n");
    const std::string filler(4u << 20, 'x');
    EXPECT_TRUE(SavedWithOneRow(WriteBytes("comment.css", "@import \"a\";/*" + filler)) ==
                "@import \"a\";\r\n" + block + "/*" + filler + "\r\n");
    EXPECT_TRUE(SavedWithOneRow(WriteBytes("string.css", "@import \"" + filler)) ==
                block + "@import \"" + filler + "\r\n");
}

TEST_F(StylesheetFileTest, ReadsUnusualFilesWithoutFailing)
{
    std::string nuls = WriteBytes("nuls.css", std::string(100000, '\0'));
    TStylesheet sheet = ReadStylesheet(nuls);
    ASSERT_EQ(sheet.PaneLines.size(), 1u);
    EXPECT_EQ(sheet.PaneLines[0].size(), 100000u);

    std::string single(20u << 20, 'a');
    std::string longLine = WriteBytes("long.css", Begin + "\n" + single + " {color:" + single);
    sheet = ReadStylesheet(longLine);
    ASSERT_EQ(sheet.Rows.size(), 1u);
    EXPECT_EQ(sheet.Rows[0].Caption.size(), single.size());
    EXPECT_EQ(sheet.Rows[0].SubItems[scColor].size(), single.size());

    std::string binary;
    std::mt19937 random(3);
    for (int i = 0; i < 300000; ++i)
        binary += static_cast<char>(random());
    TStylesheet fromFile = ReadStylesheet(WriteBytes("binary.css", binary));
    TStylesheet fromMemory = ParseStylesheet(binary);
    EXPECT_EQ(fromFile.Rows, fromMemory.Rows);
    EXPECT_EQ(fromFile.PaneLines, fromMemory.PaneLines);

    // Short lines with every kind of line end at every place in a word of eight bytes, and across
    // the reader's buffer.
    const char alphabet[] = {'a', 'b', '\r', '\n', '\0', '\x80', '\xff', ' ', '*'};
    std::string dense;
    while (dense.size() < 3 * (1u << 20))
        dense += alphabet[random() % sizeof alphabet];
    fromFile = ReadStylesheet(WriteBytes("dense.css", dense));
    fromMemory = ParseStylesheet(dense);
    EXPECT_EQ(fromFile.PaneLines, fromMemory.PaneLines);
}

}  // namespace
}  // namespace pindle

namespace pindle {
namespace {

std::string TrimmedText(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 32)
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 32)
        --last;
    return text.substr(first, last - first);
}

TEST(ParseRuleLine, CleansACommentAsReplaceAllDoes)
{
    std::mt19937 random(9);
    for (int i = 0; i < 20000; ++i) {
        std::string comment;
        for (std::size_t n = random() % 12; n > 0; --n)
            comment += "/* a"[random() % 4];
        std::string expected = TrimmedText(ReplaceAll(ReplaceAll(TrimmedText(comment), "/*", ""), "*/", ""));
        ASSERT_EQ(ParseRuleLine("x {;}" + comment).SubItems[scComment], expected) << comment;
    }
}

}  // namespace
}  // namespace pindle
