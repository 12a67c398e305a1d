#pragma once
// The media type record that the media filters negotiate with: type, subtype,
// sample hints and a format block of the kind named by formattype. The record
// owns its format bytes, so copies are independent.

#include "graph/FormatBlocks.h"
#include "graph/Guid.h"

#include <QString>
#include <cstdint>
#include <vector>

class TMediaType
{
public:
    GUID majortype;
    GUID subtype;
    bool bFixedSizeSamples = false;
    bool bTemporalCompression = false;
    uint32_t lSampleSize = 0;
    GUID formattype;
    std::vector<uint8_t> format;

    TMediaType() = default;
    TMediaType(const GUID& major, const GUID& sub, const GUID& formatType = GUID_NULL);

    // Every field, the format bytes included.
    friend bool operator==(const TMediaType&, const TMediaType&) = default;

    uint32_t cbFormat() const { return uint32_t(format.size()); }
    const uint8_t* pbFormat() const { return format.empty() ? nullptr : format.data(); }

    // Replaces the format bytes (formattype is left as it is).
    void SetFormat(const void* data, size_t size);
    template <class T> void SetFormatBlock(const T& block) { SetFormat(&block, sizeof(T)); }
    // No format block: formattype FORMAT_None, no bytes.
    void ResetFormat();

    template <class T> bool ReadFormat(T& out, size_t offset = 0) const
    {
        return ReadFormatBlock(pbFormat(), format.size(), out, offset);
    }
    template <class T> bool WriteFormat(const T& in, size_t offset = 0)
    {
        return WriteFormatBlock(format.data(), format.size(), in, offset);
    }

    // Video format blocks. The getters and setters below work on
    // FORMAT_VideoInfo and FORMAT_MPEGVideo (VIDEOINFOHEADER first, at least 88
    // bytes) and on FORMAT_VideoInfo2 and FORMAT_MPEG2Video (VIDEOINFOHEADER2
    // first, at least 112 bytes); anything else, or a shorter block, gives
    // false (or 0) and changes nothing.
    bool HasVideoHeader() const;
    bool GetBitmapHeader(BITMAPINFOHEADER& out) const;
    bool SetBitmapHeader(const BITMAPINFOHEADER& in);
    bool GetRects(RECT& source, RECT& target) const;
    bool SetRects(const RECT& source, const RECT& target);
    REFERENCE_TIME AvgTimePerFrame() const;
    bool SetAvgTimePerFrame(REFERENCE_TIME value);
    uint32_t BitRate() const;
    bool SetBitRate(uint32_t value);
    // FORMAT_VideoInfo2 and FORMAT_MPEG2Video only.
    bool GetPictureAspectRatio(uint32_t& x, uint32_t& y) const;
    bool SetPictureAspectRatio(uint32_t x, uint32_t y);
    bool GetInterlaceFlags(uint32_t& flags) const;
    bool SetInterlaceFlags(uint32_t flags);
    // Bytes that follow the fixed part of the block: the sequence header of the
    // MPEG formats (cbSequenceHeader, clipped to the block), the bytes after the
    // BITMAPINFOHEADER of the other video formats when biSize says they belong
    // to it, the cbSize bytes after a WAVEFORMATEX. Empty when there are none.
    std::vector<uint8_t> CodecData() const;

    // FORMAT_WaveFormatEx with at least 18 bytes.
    bool GetWaveFormat(WAVEFORMATEX& out) const;
    // FORMAT_DvInfo with at least 32 bytes.
    bool GetDvInfo(DVINFO& out) const;

    // Several lines naming the GUIDs and the fields of the format block.
    QString Dump() const;

private:
    // Offset of the BITMAPINFOHEADER in the block, or 0 when the block has none.
    size_t bitmapHeaderOffset() const;
    bool isSecondGeneration() const;
};
