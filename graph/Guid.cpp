#include "graph/Guid.h"

namespace
{

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Reads exactly `digits` hex digits at pos; false on anything else.
bool readHex(QStringView text, qsizetype pos, int digits, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = hexDigit(text[pos + i]);
        if (d < 0) return false;
        value = value << 4 | uint32_t(d);
    }
    return true;
}

} // namespace

QString GUID::ToString() const
{
    return QString::asprintf("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Data1, Data2, Data3,
        Data4[0], Data4[1], Data4[2], Data4[3], Data4[4], Data4[5], Data4[6], Data4[7]);
}

bool GUID::FromString(QStringView text, GUID& out)
{
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (text.size() != 38 || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' || text[14] != u'-'
        || text[19] != u'-' || text[24] != u'-')
        return false;
    GUID g;
    uint32_t v = 0;
    if (!readHex(text, 1, 8, v)) return false;
    g.Data1 = v;
    if (!readHex(text, 10, 4, v)) return false;
    g.Data2 = uint16_t(v);
    if (!readHex(text, 15, 4, v)) return false;
    g.Data3 = uint16_t(v);
    static constexpr int bytePos[8] = { 20, 22, 25, 27, 29, 31, 33, 35 };
    for (int i = 0; i < 8; ++i) {
        if (!readHex(text, bytePos[i], 2, v)) return false;
        g.Data4[i] = uint8_t(v);
    }
    out = g;
    return true;
}
