// The one conversion between the program's 8-bit text and Qt's strings: Latin-1, one byte per character,
// so every byte value survives a trip through a widget.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace pindle {

inline QString ToQString(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Characters above U+00FF (pasted from another program) cannot be held in 8-bit text and become '?'.
inline std::string FromQString(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace pindle
