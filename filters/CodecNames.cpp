#include "filters/CodecNames.h"

#include "filters/WaveFormatName.h"
#include "graph/MediaTypeGuids.h"

QString FourCCText(uint32_t code)
{
    QString text;
    for (int i = 0; i < 4; ++i) {
        const uint8_t byte = uint8_t(code >> (8 * i));
        if (byte <= 0x1F) return {};
        // Latin-1, as the 8-bit strings the names end up in.
        text += QChar(char16_t(byte));
    }
    return text;
}

QString VideoCodecName(const TMediaType& mt)
{
    struct TRgbName {
        const GUID& subtype;
        const char* name;
    };
    static const TRgbName rgbNames[] = {
        { MEDIASUBTYPE_RGB24, "RGB24" },
        { MEDIASUBTYPE_RGB32, "RGB32" },
        { MEDIASUBTYPE_RGB1, "RGB1" },
        { MEDIASUBTYPE_RGB4, "RGB4" },
        { MEDIASUBTYPE_RGB8, "RGB8" },
        { MEDIASUBTYPE_RGB565, "RGB565" },
        { MEDIASUBTYPE_RGB555, "RGB555" },
    };
    for (const TRgbName& entry : rgbNames) {
        if (mt.subtype == entry.subtype) return QString::fromLatin1(entry.name);
    }

    if (mt.formattype == FORMAT_VideoInfo || mt.formattype == FORMAT_VideoInfo2) {
        BITMAPINFOHEADER header;
        if (!mt.GetBitmapHeader(header)) return {};
        return FourCCText(header.biCompression);
    }
    if (mt.formattype == FORMAT_MPEGVideo || mt.formattype == FORMAT_MPEG2Video) {
        if (IsFourCCSubtype(mt.subtype)) return FourCCText(mt.subtype.Data1);
        return mt.formattype == FORMAT_MPEGVideo ? QStringLiteral("MPEG1") : QStringLiteral("MPEG2");
    }
    return {};
}

QString AudioCodecName(const TMediaType& mt)
{
    const QString unknown = QStringLiteral("???");
    if (mt.majortype != MEDIATYPE_Audio) return unknown;

    struct TAudioName {
        const GUID& subtype;
        const char* name;
    };
    static const TAudioName audioNames[] = {
        { MEDIASUBTYPE_MPEG2_AUDIO, "MPEG2" },
        { MEDIASUBTYPE_DOLBY_AC3, "DOLBY AC3" },
        { MEDIASUBTYPE_DVD_LPCM_AUDIO, "LPCM" },
        { MEDIASUBTYPE_MPEG1Packet, "MPEG1Packet" },
        { MEDIASUBTYPE_MPEG1Payload, "MPEG1Payload" },
        { MEDIASUBTYPE_MPEG1AudioPayload, "MPEG1" },
    };
    for (const TAudioName& entry : audioNames) {
        if (mt.subtype == entry.subtype) return QString::fromLatin1(entry.name);
    }

    WAVEFORMATEX wfx;
    if (mt.formattype == FORMAT_WaveFormatEx && mt.GetWaveFormat(wfx) && wfx.wFormatTag != 0)
        return QString::fromLatin1(WaveFormatName(wfx.wFormatTag).left(4));
    return unknown;
}
