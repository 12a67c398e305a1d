#include "filters/MdpmAnalysis.h"

#include "filters/TvData.h"

#include <QDate>
#include <QTime>
#include <cstring>

namespace
{

bool bcd(uint8_t byte, int& out)
{
    if ((byte & 0x0F) > 9 || (byte >> 4) > 9) return false;
    out = (byte >> 4) * 10 + (byte & 0x0F);
    return true;
}

// Reads an SEI NAL unit's payload bytes with the emulation-prevention bytes
// (0x03 after two zeros) taken out, without copying them anywhere.
class TRbspReader
{
public:
    TRbspReader(const uint8_t* data, size_t length)
        : m_data(data)
        , m_length(length)
    {
    }
    bool AtEnd() const { return m_pos >= m_length; }
    bool Next(uint8_t& out)
    {
        if (m_pos >= m_length) return false;
        if (m_zeros >= 2 && m_data[m_pos] == 0x03) {
            m_zeros = 0;
            if (++m_pos >= m_length) return false;
        }
        out = m_data[m_pos++];
        m_zeros = out == 0 ? m_zeros + 1 : 0;
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_length;
    size_t m_pos = 0;
    int m_zeros = 0;
};

// The longest user-data message looked at: an MDPM message has a few dozen
// tags; anything larger is another kind of message.
constexpr size_t MaxPayload = 2048;

bool readSei(const uint8_t* nal, size_t length, double& datecode)
{
    TRbspReader reader(nal, length);
    uint8_t byte = 0;
    for (;;) {
        // Type and size: runs of 0xFF, then the last byte.
        size_t type = 0, size = 0;
        do {
            if (!reader.Next(byte)) return false;
            type += byte;
        } while (byte == 0xFF && type < 0x10000);
        do {
            if (!reader.Next(byte)) return false;
            size += byte;
        } while (byte == 0xFF && size < 0x100000);
        if (type == 0x80 && size == 0) return false; // the trailing bits
        std::array<uint8_t, MaxPayload> payload;
        const bool wanted = type == H264SeiUserDataUnregistered && size <= MaxPayload;
        for (size_t i = 0; i < size; ++i) {
            if (!reader.Next(byte)) return false;
            if (wanted) payload[i] = byte;
        }
        if (wanted && ReadMdpmDate(payload.data(), size, datecode)) return true;
        if (reader.AtEnd()) return false;
    }
}

} // namespace

bool ReadMdpmDate(const uint8_t* payload, size_t length, double& datecode)
{
    constexpr size_t Header = 16 + 4 + 1; // UUID, "MDPM", tag count
    if (!payload || length < Header) return false;
    if (std::memcmp(payload, MdpmUuid.data(), MdpmUuid.size()) != 0) return false;
    if (std::memcmp(payload + 16, "MDPM", 4) != 0) return false;
    const size_t count = payload[20];
    const uint8_t* date = nullptr;
    const uint8_t* time = nullptr;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = Header + i * 5;
        if (at + 5 > length) break; // a tag cut by the end of the message
        if (payload[at] == MdpmTagDate && !date) date = payload + at + 1;
        if (payload[at] == MdpmTagTime && !time) time = payload + at + 1;
    }
    if (!date || !time) return false;
    int centuries = 0, years = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!bcd(date[1], centuries) || !bcd(date[2], years) || !bcd(date[3], month) || !bcd(time[0], day)
        || !bcd(time[1], hour) || !bcd(time[2], minute) || !bcd(time[3], second))
        return false;
    const int year = centuries * 100 + years;
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second)) return false;
    return DatecodeFromDateTime(QDate(year, month, day), QTime(hour, minute, second), datecode);
}

bool ReadH264RecordingDate(const uint8_t* data, size_t length, double& datecode)
{
    if (!data) return false;
    // Start codes are 00 00 01 (a leading fourth zero belongs to the previous
    // unit's trailing zeros, which a NAL unit may not end with anyway).
    size_t i = 0;
    auto nextStart = [&](size_t from) -> size_t {
        for (size_t k = from; k + 3 <= length; ++k)
            if (data[k] == 0 && data[k + 1] == 0 && data[k + 2] == 1) return k;
        return length;
    };
    i = nextStart(0);
    while (i < length) {
        const size_t begin = i + 3;
        if (begin >= length) return false;
        // A slice ends the search before its end is looked for: the SEI come
        // before the pictures, and a picture's bytes are most of the unit.
        const uint8_t kind = data[begin] & 0x1F;
        if (kind >= 1 && kind <= 5) return false;
        const size_t end = nextStart(begin);
        if (kind == H264NalSei && readSei(data + begin + 1, end - begin - 1, datecode)) return true;
        i = end;
    }
    return false;
}
