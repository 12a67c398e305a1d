#pragma once

#include <QString>
#include <cstdint>

// The font of the inlay, as it is kept in the preferences. Colours are
// 0x00BBGGRR: red in the lowest byte.
struct TfontRecord {
    QString Name = QStringLiteral("Arial");
    int32_t Size = 21; // points
    uint32_t Color = 15780518; // 0xF0CAA6: red A6, green CA, blue F0
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    bool operator==(const TfontRecord&) const = default;
};

// The font every new inlay starts with.
TfontRecord DefaultFontRecord();
