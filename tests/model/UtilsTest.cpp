#include <gtest/gtest.h>
#include <array>
#include <cstdint>
#include <random>
#include <stdexcept>

#include "model/Utils.h"
#include "platform/Exceptions.h"
#include "resources/VersionBlock.h"
#include "tests/model/TestFiles.h"

namespace pindle {
namespace {

// The replacement done literally: replace the first occurrence, then search from the start again.
std::string NaiveReplaceAll(std::string text, const std::string& search, const std::string& replacement)
{
    if (search.empty())
        return text;
    for (std::size_t p; (p = text.find(search)) != std::string::npos;)
        text = text.substr(0, p) + replacement + text.substr(p + search.size());
    return text;
}

TEST(ReplaceAll, SearchesAgainFromTheStartAfterEveryReplacement)
{
    struct Case {
        const char *text, *search, *replacement, *result;
    } cases[] = {
        {"aabb", "ab", "a", "aa"},
        {"  /* x /* y*/ ", "/*", "", "   x  y*/ "},
        {"abc", "", "zz", "abc"},
        {"", "a", "", ""},
        {"aaaa", "aa", "b", "bb"},
        {"xababy", "ab", "", "xy"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplaceAll(c.text, c.search, c.replacement), c.result) << c.text;
}

TEST(ReplaceAll, RefusesAReplacementThatHoldsTheSearchText)
{
    for (const char* text : {"", "a", "xyz"}) {
        try {
            (void)ReplaceAll(text, "a", "ab");
            ADD_FAILURE() << "no error for " << text;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), "Cannot perform a cyclic replace.");
        }
    }
}

TEST(ReplaceAll, AgreesWithTheLiteralAlgorithmOnRandomTexts)
{
    std::mt19937 random(11);
    auto text = [&](std::size_t maxLength) {
        std::string s;
        std::size_t n = random() % (maxLength + 1);
        for (std::size_t i = 0; i < n; ++i)
            s += "ab*/"[random() % 4];
        return s;
    };
    for (int i = 0; i < 20000; ++i) {
        std::string t = text(16), search = text(3), replacement = text(3);
        if (search.empty() || replacement.find(search) != std::string::npos)
            continue;
        ASSERT_EQ(ReplaceAll(t, search, replacement), NaiveReplaceAll(t, search, replacement))
            << t << " / " << search << " / " << replacement;
    }
}

TEST(StrAllocCopy, CopiesTheTextWithATerminatingZero)
{
    auto copy = StrAllocCopy(std::string_view("abc", 3));
    EXPECT_STREQ(copy.get(), "abc");
    EXPECT_EQ(StrAllocCopy("")[0], '\0');
}

const char* const FieldNames[] = {"CompanyName", "FileDescription", "FileVersion", "InternalName",
                                  "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};

TVersionInfo SampleInfo()
{
    TVersionInfo info;
    info.FileVersion = {2, 3, 4, 5};
    for (const char* name : FieldNames)
        info.Strings.emplace_back(name, std::string("value of ") + name);
    return info;
}

TEST(VersionBlock, TakesOnlyFourSixteenBitNumbersAsTheVersion)
{
    using TParts = std::array<std::uint16_t, 4>;
    EXPECT_EQ(PindleVersionInfo("1.0.0.21").FileVersion, (TParts{1, 0, 0, 21}));
    EXPECT_EQ(PindleVersionInfo("65535.0.7.65535").ProductVersion, (TParts{65535, 0, 7, 65535}));
    // None of these is four numbers that fit the block: taking them would make it disagree with the text.
    for (const char* bad : {"1.0.0.65536", "1.0.0.21x", "-1.0.0.0", "1.0.0", "1..0.0", "1.0.0.21.", "", " 1.0.0.21"})
        EXPECT_THROW((void)PindleVersionInfo(bad), std::invalid_argument) << '"' << bad << '"';
}

TEST(VersionBlock, IsLaidOutAsAVersionResource)
{
    std::string block = BuildVersionBlock(SampleInfo());
    auto word = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(block[at]) | static_cast<unsigned char>(block[at + 1]) << 8);
    };
    EXPECT_EQ(word(0), block.size());  // the root's length covers the whole block
    EXPECT_EQ(word(2), 52u);           // fixed file information
    EXPECT_EQ(block.substr(6, 6), std::string("V\0S\0_\0", 6));
    EXPECT_EQ(word(40), 0x04BDu);      // its signature, on the first 32-bit boundary after the key
    EXPECT_EQ(word(42), 0xFEEFu);
    EXPECT_EQ(word(48), 3u);           // file version 2.3.4.5: high word minor, low word major
    EXPECT_EQ(word(50), 2u);
    EXPECT_EQ(block.size() % 4, 0u);
}

TEST(VersionBlock, EveryFieldIsReadUnderTheFirstTranslation)
{
    std::string bytes = "some bytes before" + BuildVersionBlock(SampleInfo()) + "and after";
    for (int selector = 0; selector < 8; ++selector)
        EXPECT_EQ(GetVersionFieldFromBytes(bytes, static_cast<std::uint8_t>(selector)),
                  std::string("value of ") + FieldNames[selector]);
    for (int selector : {8, 9, 200, 255})
        EXPECT_EQ(GetVersionFieldFromBytes(bytes, static_cast<std::uint8_t>(selector)), "value of FileVersion");
}

TEST(VersionBlock, AFieldMissingFromTheTranslationReadsEmpty)
{
    TVersionInfo info = SampleInfo();
    info.Strings.erase(info.Strings.begin() + 2);  // no FileVersion
    EXPECT_EQ(GetVersionFieldFromBytes(BuildVersionBlock(info), 2), "");
    EXPECT_EQ(GetVersionFieldFromBytes(BuildVersionBlock(info), 6), "value of ProductName");

    // The strings stand under another translation than the one the table names.
    info = SampleInfo();
    std::string block = BuildVersionBlock(info);
    std::size_t key = block.find(std::string("0\0004\0000\0009\0000\0004\0E\0004\0", 16));
    ASSERT_NE(key, std::string::npos);
    block[key + 14] = '5';  // 040904E5
    EXPECT_EQ(GetVersionFieldFromBytes(block, 2), "");
}

TEST(VersionBlock, TruncatedOrDamagedBlocksReadEmptyOrRight)
{
    std::string block = BuildVersionBlock(SampleInfo());
    for (std::size_t size = 0; size < block.size(); ++size)
        EXPECT_EQ(GetVersionFieldFromBytes(block.substr(0, size), 2), "") << size;
    std::mt19937 random(5);
    int intact = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string damaged = block;
        damaged[random() % damaged.size()] = static_cast<char>(random());
        std::string field = GetVersionFieldFromBytes(damaged, 2);
        intact += field == "value of FileVersion";
        // A damaged block gives the right text, a text from within the block, or nothing.
        EXPECT_LE(field.size(), block.size());
    }
    EXPECT_GT(intact, 0);
}

class VersionFileTest : public pindle::testing::TTempFolderTest {};

TEST_F(VersionFileTest, FilesWithoutAReadableBlockGiveAnEmptyText)
{
    EXPECT_EQ(GetFileVersionField(PathOf("missing"), 2), "");
    EXPECT_EQ(GetFileVersionField("", 2), "");
    EXPECT_EQ(GetFileVersionField(folder_.string(), 2), "");
    EXPECT_EQ(GetFileVersionField(WriteBytes("plain", "no version here"), 2), "");
    EXPECT_EQ(GetFileVersionField(WriteBytes("with", "x" + BuildVersionBlock(SampleInfo())), 3), "value of InternalName");
}

}  // namespace
}  // namespace pindle
