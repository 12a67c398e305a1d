#pragma once
// The 128-bit identifiers that name media types, subtypes and format blocks.
// Kept as the four fields the platform's headers use, so the public constants
// can be written exactly as they are published.

#include <QString>
#include <QStringView>
#include <compare>
#include <cstdint>

struct GUID {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
    // Field by field, Data4 byte by byte: a total order for maps and sorted tables.
    friend constexpr auto operator<=>(const GUID&, const GUID&) = default;

    // "{73646976-0000-0010-8000-00AA00389B71}": upper-case hex in braces.
    QString ToString() const;
    // Reads that form (either case, braces required); false leaves out untouched.
    static bool FromString(QStringView text, GUID& out);
};
static_assert(sizeof(GUID) == 16);

inline constexpr GUID GUID_NULL {};

constexpr uint32_t MakeFourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16
        | uint32_t(uint8_t(d)) << 24;
}

// The subtype the platform derives from a FOURCC or a wave format tag:
// {fourcc-0000-0010-8000-00AA00389B71}.
constexpr GUID FourCCSubtype(uint32_t fourcc)
{
    return GUID { fourcc, 0x0000, 0x0010, { 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 } };
}

// True for subtypes built by FourCCSubtype; their Data1 is the code.
constexpr bool IsFourCCSubtype(const GUID& g)
{
    return FourCCSubtype(g.Data1) == g;
}
