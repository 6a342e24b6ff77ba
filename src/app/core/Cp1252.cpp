#include "app/core/Cp1252.h"

#include <array>

namespace kiro {

namespace {

// Unicode of the bytes 0x80..0x9F; zero where Windows-1252 leaves the byte
// undefined (decoded as the C1 control of the same number).
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,      // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178, // 98-9F
};

char encodeChar(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        const char16_t mapped = kHigh[i] ? kHigh[i] : static_cast<char16_t>(0x80 + i);
        if (mapped == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QString fromCp1252(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80])
            text.append(QChar(kHigh[b - 0x80]));
        else
            text.append(QChar(b));
    }
    return text;
}

QByteArray toCp1252(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        // A character outside the BMP is one '?' for its two halves.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        bytes.append(encodeChar(c));
    }
    return bytes;
}

} // namespace kiro
