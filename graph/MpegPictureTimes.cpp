#include "graph/MpegPictureTimes.h"

#include <algorithm>

namespace
{
constexpr uint8_t PictureStart = 0x00;
constexpr uint8_t GroupStart = 0xB8;
constexpr uint8_t ExtensionStart = 0xB5;
constexpr uint8_t PictureCodingExtension = 8;
} // namespace

void TMpegPictureTimes::Reset()
{
    m_anchored = false;
    m_pulldown = false;
    m_lastReference = -1;
}

int64_t TMpegPictureTimes::Take(const uint8_t* data, size_t size, int64_t pts)
{
    int reference = -1;
    for (size_t i = 0; data && i + 8 <= size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) continue;
        const uint8_t code = data[i + 3];
        // The slices follow the headers: nothing more to read in them.
        if (code >= 0x01 && code <= 0xAF) break;
        if (code == GroupStart) {
            // Temporal references count from each group's start, whose first
            // picture shows after the last one of the group before: a group
            // opening with an unstamped picture goes by that one.
            const bool carry = m_anchored && !m_pulldown && m_frameDuration > 0 && m_lastReference >= 0;
            if (carry) {
                m_anchorTime += int64_t(m_lastReference + 1 - m_anchorReference) * m_frameDuration;
                m_anchorReference = 0;
            }
            m_anchored = carry;
            m_pulldown = false;
            m_lastReference = -1;
        } else if (code == PictureStart && reference < 0) {
            reference = (data[i + 4] << 2) | (data[i + 5] >> 6);
            m_lastReference = std::max(m_lastReference, reference);
        } else if (code == ExtensionStart && (data[i + 4] >> 4) == PictureCodingExtension) {
            if (data[i + 7] & 0x02) m_pulldown = true; // repeat_first_field
        }
        i += 3;
    }
    if (reference < 0) return pts;
    if (pts >= 0) {
        m_anchored = true;
        m_anchorTime = pts;
        m_anchorReference = reference;
        return pts;
    }
    if (!m_anchored || m_pulldown || m_frameDuration <= 0) return -1;
    const int64_t time = m_anchorTime + int64_t(reference - m_anchorReference) * m_frameDuration;
    return time >= 0 ? time : -1;
}
