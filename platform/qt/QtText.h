// The one conversion between the program's 8-bit text and Qt's strings. Document text converts in
// the document's encoding; file names in the file system's (UTF-8 on this desktop).
#pragma once

#include "platform/Encoding.h"

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace pindle {

// Every byte of a Windows-1252 text becomes a character; in a UTF-8 text a byte that is not part of
// a well-formed sequence shows as U+FFFD (no such byte is in a UTF-8 document).
QString ToQString(std::string_view text, TTextEncoding encoding = TTextEncoding::Utf8);

// Text typed, pasted or chosen in a widget, in the document's encoding. Characters that a
// Windows-1252 document cannot hold raise EEncodingError naming them; nothing becomes '?'. Lone
// surrogates, which no encoding holds, become U+FFFD.
std::string FromQString(const QString& text, TTextEncoding encoding = TTextEncoding::Utf8);

// The characters of `text` that `encoding` cannot hold, each once, in order; empty when it holds all.
QString CharactersNotHeld(const QString& text, TTextEncoding encoding);

// A program literal in ASCII, for texts that are not a document's.
inline QString AsciiText(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline QString FileNameToQString(const std::string& name)
{
    return QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

inline std::string FileNameFromQString(const QString& name)
{
    const QByteArray bytes = QFile::encodeName(name);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace pindle
