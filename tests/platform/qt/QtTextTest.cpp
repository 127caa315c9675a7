#include "platform/qt/QtText.h"

#include <gtest/gtest.h>

#include <string>

namespace pindle {
namespace {

// What a widget shows of a document's bytes and what it gives back, in both encodings.
TEST(QtText, ShowsAndTakesTextInTheDocumentsEncoding)
{
    const struct {
        TTextEncoding encoding;
        std::string bytes;
        QString shown;
    } cases[] = {
        {TTextEncoding::Utf8, "Caf\xC3\xA9 \xE2\x86\x92 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80",
         QString::fromUtf8("Café → 日本 😀")},
        {TTextEncoding::Windows1252, "Caf\xE9 \x96 \x93x\x94 \x80", QString::fromUtf8("Café – “x” €")},
        {TTextEncoding::Windows1252, "\x81\x8D\x8F\x90\x9D", QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D")},
        {TTextEncoding::Utf8, std::string("a\0b", 3), QString::fromUtf16(u"a\u0000b", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        EXPECT_EQ(ToQString(c.bytes, c.encoding), c.shown);
        EXPECT_EQ(FromQString(c.shown, c.encoding), c.bytes);
    }
}

TEST(QtText, RefusesWhatAWindows1252DocumentCannotHoldNamingIt)
{
    const QString pasted = QString::fromUtf8("€|é|日|本|日");
    EXPECT_EQ(CharactersNotHeld(pasted, TTextEncoding::Windows1252), QString::fromUtf8("日本"));
    EXPECT_TRUE(CharactersNotHeld(pasted, TTextEncoding::Utf8).isEmpty());
    try {
        (void)FromQString(pasted, TTextEncoding::Windows1252);
        FAIL() << "no error";
    } catch (const EEncodingError& error) {
        EXPECT_EQ(error.Message(), "This document is in Windows-1252, which cannot hold \"\xE6\x97\xA5\xE6\x9C\xAC\"");
    }
    // A lone surrogate from another program is no character of any encoding: UTF-8 takes U+FFFD.
    const QString lone = QString(QChar(0xD800)) + QStringLiteral("x");
    EXPECT_EQ(FromQString(lone, TTextEncoding::Utf8), "\xEF\xBF\xBDx");
    EXPECT_THROW((void)FromQString(lone, TTextEncoding::Windows1252), EEncodingError);
}

}  // namespace
}  // namespace pindle
