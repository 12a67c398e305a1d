#pragma once
// Scene files as the scene list reads them, written byte by byte for tests.

#include <QByteArray>
#include <cstdint>

namespace SceneFileBytes
{

constexpr char Filler = 0x5A; // unused bytes are never zero, so a misplaced read shows

// Strings as the scene file stores them: 8-bit text with a one-byte length,
// or 255 then a two-byte length (high byte first); UTF-16 after 255 FE FF.
inline QByteArray Text8(int length)
{
    QByteArray s;
    if (length < 255) {
        s.append(char(length));
    } else {
        s.append(char(0xFF));
        s.append(char(length >> 8));
        s.append(char(length & 0xFF));
    }
    return s + QByteArray(length, Filler);
}

inline QByteArray Text16(int chars)
{
    QByteArray s("\xFF\xFE\xFF", 3);
    if (chars < 255) {
        s.append(char(chars));
    } else {
        s.append(char(0xFF));
        s.append(char(chars >> 8));
        s.append(char(chars & 0xFF));
    }
    return s + QByteArray(2 * chars, Filler);
}

struct Writer {
    QByteArray bytes;
    void Unused(int n) { bytes.append(QByteArray(n, Filler)); }
    void U8(uint8_t v) { bytes.append(char(v)); }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.append(char((v >> (8 * i)) & 0xFF));
    }

    // The header, holding the first scene; str is used for every string.
    void Header(uint16_t n, int32_t start, uint32_t value2, uint8_t f1 = 0, uint8_t f2 = 0,
        const QByteArray& str = Text8(3))
    {
        Unused(24);
        bytes += str;
        Unused(8);
        U8(n & 0xFF);
        U8(n >> 8);
        Unused(11);
        U8(f1);
        U8(f2);
        Unused(12);
        bytes += str;
        U32(uint32_t(start));
        U32(value2);
        Unused(6);
        bytes += str;
        Unused(8);
        U32(0x5A5A5A5A);
        Optional(f1, f2, str);
    }

    void Record(
        int32_t start, uint32_t value2, uint8_t f1 = 0, uint8_t f2 = 0, const QByteArray& str = Text8(3))
    {
        Unused(3);
        U8(f1);
        U8(f2);
        Unused(3);
        bytes += str;
        U32(uint32_t(start));
        U32(value2);
        Unused(6 + 12);
        Optional(f1, f2, str);
    }

    void Optional(uint8_t f1, uint8_t f2, const QByteArray& str)
    {
        if (f2 & 0x40) U32(0x5A5A5A5A);
        if (f1 & 0x80) bytes += str;
    }
};

} // namespace SceneFileBytes
