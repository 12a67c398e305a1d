#include "graph/TMediaType.h"

#include "graph/MediaTypeGuids.h"

#include <QStringList>
#include <algorithm>

namespace
{

// The rectangles, bit rates and frame duration sit at the same offsets in the
// first and second generation video headers.
static_assert(offsetof(VIDEOINFOHEADER, rcSource) == offsetof(VIDEOINFOHEADER2, rcSource));
static_assert(offsetof(VIDEOINFOHEADER, rcTarget) == offsetof(VIDEOINFOHEADER2, rcTarget));
static_assert(offsetof(VIDEOINFOHEADER, dwBitRate) == offsetof(VIDEOINFOHEADER2, dwBitRate));
static_assert(offsetof(VIDEOINFOHEADER, AvgTimePerFrame) == offsetof(VIDEOINFOHEADER2, AvgTimePerFrame));

QString guidText(const GUID& g)
{
    const char* name = GuidName(g);
    if (*name) return QString::fromLatin1(name);
    if (IsFourCCSubtype(g)) {
        // FOURCC subtypes and wave format tags: show the code as well.
        const uint32_t c = g.Data1;
        bool printable = true;
        for (int i = 0; i < 4; ++i)
            printable = printable && ((c >> (8 * i)) & 0xFF) > 0x1F && ((c >> (8 * i)) & 0xFF) < 0x7F;
        if (printable)
            return QStringLiteral("FOURCC '%1' %2")
                .arg(QString::fromLatin1(reinterpret_cast<const char*>(&c), 4), g.ToString());
        return QStringLiteral("tag 0x%1 %2").arg(c, 4, 16, QLatin1Char('0')).arg(g.ToString());
    }
    return g.ToString();
}

QString compressionText(uint32_t c)
{
    if (c == BI_RGB) return QStringLiteral("BI_RGB");
    if (c == BI_BITFIELDS) return QStringLiteral("BI_BITFIELDS");
    char text[5] = {};
    for (int i = 0; i < 4; ++i) {
        const char ch = char((c >> (8 * i)) & 0xFF);
        text[i] = (ch > 0x1F && ch < 0x7F) ? ch : '?';
    }
    return QStringLiteral("'%1' (0x%2)").arg(QLatin1String(text)).arg(c, 8, 16, QLatin1Char('0'));
}

QString rectText(const RECT& r)
{
    return QStringLiteral("(%1,%2,%3,%4)").arg(r.left).arg(r.top).arg(r.right).arg(r.bottom);
}

} // namespace

TMediaType::TMediaType(const GUID& major, const GUID& sub, const GUID& formatType)
    : majortype(major)
    , subtype(sub)
    , formattype(formatType)
{
}

void TMediaType::SetFormat(const void* data, size_t size)
{
    if (!data || size == 0) {
        format.clear();
        return;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    format.assign(bytes, bytes + size);
}

void TMediaType::ResetFormat()
{
    formattype = FORMAT_None;
    format.clear();
}

bool TMediaType::isSecondGeneration() const
{
    return formattype == FORMAT_VideoInfo2 || formattype == FORMAT_MPEG2Video;
}

size_t TMediaType::bitmapHeaderOffset() const
{
    if (formattype == FORMAT_VideoInfo || formattype == FORMAT_MPEGVideo) {
        if (format.size() >= sizeof(VIDEOINFOHEADER)) return offsetof(VIDEOINFOHEADER, bmiHeader);
    } else if (isSecondGeneration()) {
        if (format.size() >= sizeof(VIDEOINFOHEADER2)) return offsetof(VIDEOINFOHEADER2, bmiHeader);
    }
    return 0;
}

bool TMediaType::HasVideoHeader() const
{
    return bitmapHeaderOffset() != 0;
}

bool TMediaType::GetBitmapHeader(BITMAPINFOHEADER& out) const
{
    const size_t offset = bitmapHeaderOffset();
    return offset && ReadFormat(out, offset);
}

bool TMediaType::SetBitmapHeader(const BITMAPINFOHEADER& in)
{
    const size_t offset = bitmapHeaderOffset();
    return offset && WriteFormat(in, offset);
}

bool TMediaType::GetRects(RECT& source, RECT& target) const
{
    if (!HasVideoHeader()) return false;
    RECT s, t;
    if (!ReadFormat(s, offsetof(VIDEOINFOHEADER, rcSource))
        || !ReadFormat(t, offsetof(VIDEOINFOHEADER, rcTarget)))
        return false;
    source = s;
    target = t;
    return true;
}

bool TMediaType::SetRects(const RECT& source, const RECT& target)
{
    return HasVideoHeader() && WriteFormat(source, offsetof(VIDEOINFOHEADER, rcSource))
        && WriteFormat(target, offsetof(VIDEOINFOHEADER, rcTarget));
}

REFERENCE_TIME TMediaType::AvgTimePerFrame() const
{
    REFERENCE_TIME value = 0;
    if (!HasVideoHeader() || !ReadFormat(value, offsetof(VIDEOINFOHEADER, AvgTimePerFrame))) return 0;
    return value;
}

bool TMediaType::SetAvgTimePerFrame(REFERENCE_TIME value)
{
    return HasVideoHeader() && WriteFormat(value, offsetof(VIDEOINFOHEADER, AvgTimePerFrame));
}

uint32_t TMediaType::BitRate() const
{
    uint32_t value = 0;
    if (!HasVideoHeader() || !ReadFormat(value, offsetof(VIDEOINFOHEADER, dwBitRate))) return 0;
    return value;
}

bool TMediaType::SetBitRate(uint32_t value)
{
    return HasVideoHeader() && WriteFormat(value, offsetof(VIDEOINFOHEADER, dwBitRate));
}

bool TMediaType::GetPictureAspectRatio(uint32_t& x, uint32_t& y) const
{
    if (!isSecondGeneration() || !HasVideoHeader()) return false;
    uint32_t rx = 0, ry = 0;
    if (!ReadFormat(rx, offsetof(VIDEOINFOHEADER2, dwPictAspectRatioX))
        || !ReadFormat(ry, offsetof(VIDEOINFOHEADER2, dwPictAspectRatioY)))
        return false;
    x = rx;
    y = ry;
    return true;
}

bool TMediaType::SetPictureAspectRatio(uint32_t x, uint32_t y)
{
    return isSecondGeneration() && HasVideoHeader()
        && WriteFormat(x, offsetof(VIDEOINFOHEADER2, dwPictAspectRatioX))
        && WriteFormat(y, offsetof(VIDEOINFOHEADER2, dwPictAspectRatioY));
}

bool TMediaType::GetInterlaceFlags(uint32_t& flags) const
{
    return isSecondGeneration() && HasVideoHeader()
        && ReadFormat(flags, offsetof(VIDEOINFOHEADER2, dwInterlaceFlags));
}

bool TMediaType::SetInterlaceFlags(uint32_t flags)
{
    return isSecondGeneration() && HasVideoHeader()
        && WriteFormat(flags, offsetof(VIDEOINFOHEADER2, dwInterlaceFlags));
}

std::vector<uint8_t> TMediaType::CodecData() const
{
    size_t offset = 0;
    size_t length = 0;
    if (formattype == FORMAT_MPEGVideo || formattype == FORMAT_MPEG2Video) {
        const bool first = formattype == FORMAT_MPEGVideo;
        uint32_t cb = 0;
        const size_t cbOffset
            = first ? offsetof(MPEG1VIDEOINFO, cbSequenceHeader) : offsetof(MPEG2VIDEOINFO, cbSequenceHeader);
        if (!ReadFormat(cb, cbOffset)) return {};
        offset = first ? MPEG1_SEQUENCE_HEADER_OFFSET : MPEG2_SEQUENCE_HEADER_OFFSET;
        length = cb;
    } else if (formattype == FORMAT_VideoInfo || formattype == FORMAT_VideoInfo2) {
        BITMAPINFOHEADER bih;
        if (!GetBitmapHeader(bih) || bih.biSize <= sizeof(BITMAPINFOHEADER)) return {};
        offset = bitmapHeaderOffset() + sizeof(BITMAPINFOHEADER);
        length = bih.biSize - sizeof(BITMAPINFOHEADER);
    } else if (formattype == FORMAT_WaveFormatEx) {
        WAVEFORMATEX wfx;
        if (!GetWaveFormat(wfx)) return {};
        offset = sizeof(WAVEFORMATEX);
        length = wfx.cbSize;
    } else {
        return {};
    }
    // A count that runs past the block is cut to what the block holds.
    if (offset >= format.size()) return {};
    length = std::min(length, format.size() - offset);
    return std::vector<uint8_t>(
        format.begin() + ptrdiff_t(offset), format.begin() + ptrdiff_t(offset + length));
}

bool TMediaType::GetWaveFormat(WAVEFORMATEX& out) const
{
    return formattype == FORMAT_WaveFormatEx && ReadFormat(out);
}

bool TMediaType::GetDvInfo(DVINFO& out) const
{
    return formattype == FORMAT_DvInfo && ReadFormat(out);
}

QString TMediaType::Dump() const
{
    QStringList lines;
    lines << QStringLiteral("majortype %1").arg(guidText(majortype));
    lines << QStringLiteral("subtype %1").arg(guidText(subtype));
    lines << QStringLiteral("formattype %1").arg(guidText(formattype));
    lines << QStringLiteral("fixed size %1, temporal compression %2, sample size %3")
                 .arg(int(bFixedSizeSamples))
                 .arg(int(bTemporalCompression))
                 .arg(lSampleSize);
    lines << QStringLiteral("format block %1 bytes").arg(format.size());

    BITMAPINFOHEADER bih;
    if (GetBitmapHeader(bih)) {
        RECT source, target;
        GetRects(source, target);
        lines << QStringLiteral("rcSource %1 rcTarget %2 dwBitRate %3 AvgTimePerFrame %4")
                     .arg(rectText(source), rectText(target))
                     .arg(BitRate())
                     .arg(AvgTimePerFrame());
        uint32_t x = 0, y = 0, flags = 0;
        if (GetPictureAspectRatio(x, y) && GetInterlaceFlags(flags))
            lines << QStringLiteral("aspect %1:%2 interlace flags 0x%3").arg(x).arg(y).arg(flags, 0, 16);
        lines << QStringLiteral("biSize %1 biWidth %2 biHeight %3 biPlanes %4 biBitCount %5 biCompression %6 "
                                "biSizeImage %7")
                     .arg(bih.biSize)
                     .arg(bih.biWidth)
                     .arg(bih.biHeight)
                     .arg(bih.biPlanes)
                     .arg(bih.biBitCount)
                     .arg(compressionText(bih.biCompression))
                     .arg(bih.biSizeImage);
    }
    WAVEFORMATEX wfx;
    if (GetWaveFormat(wfx)) {
        lines << QStringLiteral(
            "wFormatTag 0x%1 nChannels %2 nSamplesPerSec %3 nAvgBytesPerSec %4 nBlockAlign %5 "
            "wBitsPerSample %6 cbSize %7")
                     .arg(wfx.wFormatTag, 4, 16, QLatin1Char('0'))
                     .arg(wfx.nChannels)
                     .arg(wfx.nSamplesPerSec)
                     .arg(wfx.nAvgBytesPerSec)
                     .arg(wfx.nBlockAlign)
                     .arg(wfx.wBitsPerSample)
                     .arg(wfx.cbSize);
    }
    const std::vector<uint8_t> extra = CodecData();
    if (!extra.empty()) {
        // The start is enough to recognise a header; the rest would drown the dump.
        constexpr size_t shown = 32;
        const QByteArray hex = QByteArray(
            reinterpret_cast<const char*>(extra.data()), qsizetype(std::min(extra.size(), shown)))
                                   .toHex(' ');
        lines << QStringLiteral("codec data %1 bytes: %2%3")
                     .arg(extra.size())
                     .arg(
                         QString::fromLatin1(hex), extra.size() > shown ? QStringLiteral(" ...") : QString());
    }
    return lines.join(u'\n');
}
