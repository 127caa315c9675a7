#include "platform/qt/QtText.h"


namespace pindle {

namespace {

// Calls f(code, lengthInUtf16) for each character of a QString; a lone surrogate is its own code.
template <typename F>
void ForEachCodePoint(const QString& text, F f)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text.at(i).unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            f(QChar::surrogateToUcs4(u, text.at(i + 1).unicode()));
            ++i;
        } else {
            f(static_cast<char32_t>(u));
        }
    }
}

}  // namespace

QString ToQString(std::string_view text, TTextEncoding encoding)
{
    if (encoding == TTextEncoding::Utf8) {
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* data = out.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        data[i] = QChar(static_cast<char16_t>(Windows1252ToUnicode(static_cast<unsigned char>(text[i]))));
    }
    return out;
}

std::string FromQString(const QString& text, TTextEncoding encoding)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    if (encoding == TTextEncoding::Utf8) {
        ForEachCodePoint(text, [&out](char32_t code) { AppendUtf8(out, code); });
        return out;
    }
    const QString missing = CharactersNotHeld(text, encoding);
    if (!missing.isEmpty()) {
        const QByteArray shown = missing.toUtf8();
        throw EEncodingError(CannotHoldMessage(encoding, std::string_view(shown.constData(),
                                                                          static_cast<std::size_t>(shown.size()))));
    }
    ForEachCodePoint(text, [&out](char32_t code) { out += static_cast<char>(UnicodeToWindows1252(code)); });
    return out;
}

QString CharactersNotHeld(const QString& text, TTextEncoding encoding)
{
    QString missing;
    if (encoding == TTextEncoding::Utf8) return missing;
    ForEachCodePoint(text, [&missing](char32_t code) {
        if (UnicodeToWindows1252(code) >= 0) return;
        const QString one = (code >= 0xD800 && code <= 0xDFFF) ? QString(QChar(0xFFFD))
                                                                : QString::fromUcs4(&code, 1);
        if (!missing.contains(one)) missing += one;
    });
    return missing;
}

}  // namespace pindle
