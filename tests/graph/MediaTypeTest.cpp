#include "graph/FormatBlocks.h"
#include "graph/MediaTypeGuids.h"
#include "graph/TMediaType.h"

#include <gtest/gtest.h>

namespace
{

void put32(std::vector<uint8_t>& block, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        block[offset + i] = uint8_t(value >> (8 * i));
}

void put64(std::vector<uint8_t>& block, size_t offset, uint64_t value)
{
    put32(block, offset, uint32_t(value));
    put32(block, offset + 4, uint32_t(value >> 32));
}

// A block written field by field at the platform's byte offsets, independently
// of the structs: rectangles at 0 and 16, bit rate at 32, frame duration at 40.
std::vector<uint8_t> platformVideoBlock(size_t size, size_t headerOffset)
{
    std::vector<uint8_t> block(size, 0);
    put32(block, 8, 720); // rcSource.right
    put32(block, 12, 576); // rcSource.bottom
    put32(block, 24, 704); // rcTarget.right
    put32(block, 32, 25000000); // dwBitRate
    put64(block, 40, 400000); // AvgTimePerFrame
    put32(block, headerOffset, 40); // biSize
    put32(block, headerOffset + 4, 720); // biWidth
    put32(block, headerOffset + 8, uint32_t(-576)); // biHeight
    block[headerOffset + 14] = 32; // biBitCount
    put32(block, headerOffset + 20, 720 * 576 * 4); // biSizeImage
    return block;
}

} // namespace

TEST(MediaType, ReadsThePlatformLayoutsAndChecksBlockSizes)
{
    // The sizes every reader relies on.
    EXPECT_EQ(sizeof(RECT) + sizeof(BITMAPINFOHEADER) + sizeof(VIDEOINFOHEADER) + sizeof(VIDEOINFOHEADER2),
        16u + 40 + 88 + 112);
    EXPECT_EQ(sizeof(MPEG1VIDEOINFO) + sizeof(MPEG2VIDEOINFO) + sizeof(DVINFO) + sizeof(WAVEFORMATEX),
        104u + 136 + 32 + 18);

    TMediaType first(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo);
    first.format = platformVideoBlock(88, 48);
    BITMAPINFOHEADER bih;
    ASSERT_TRUE(first.GetBitmapHeader(bih));
    EXPECT_EQ(bih.biWidth, 720);
    EXPECT_EQ(bih.biHeight, -576);
    EXPECT_EQ(bih.biBitCount, 32);
    EXPECT_EQ(bih.biSizeImage, 720u * 576 * 4);
    RECT source, target;
    ASSERT_TRUE(first.GetRects(source, target));
    EXPECT_EQ(source, (RECT { 0, 0, 720, 576 }));
    EXPECT_EQ(target, (RECT { 0, 0, 704, 0 }));
    EXPECT_EQ(first.AvgTimePerFrame(), 400000);
    EXPECT_EQ(first.BitRate(), 25000000u);
    uint32_t x = 0, y = 0;
    EXPECT_FALSE(first.GetPictureAspectRatio(x, y)); // no such field in the first generation

    TMediaType second(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo2);
    second.format = platformVideoBlock(112, 72);
    put32(second.format, 48, AMINTERLACE_IsInterlaced);
    put32(second.format, 56, 16);
    put32(second.format, 60, 9);
    ASSERT_TRUE(second.GetBitmapHeader(bih));
    EXPECT_EQ(bih.biWidth, 720);
    EXPECT_EQ(second.AvgTimePerFrame(), 400000);
    ASSERT_TRUE(second.GetPictureAspectRatio(x, y));
    EXPECT_EQ(x, 16u);
    EXPECT_EQ(y, 9u);
    uint32_t flags = 0;
    ASSERT_TRUE(second.GetInterlaceFlags(flags));
    EXPECT_EQ(flags, AMINTERLACE_IsInterlaced);

    // One byte short, or the wrong format type for the bytes: nothing is read
    // and nothing is written.
    TMediaType shortFirst = first;
    shortFirst.format.resize(87);
    TMediaType shortSecond = second;
    shortSecond.format.resize(111);
    TMediaType mislabelled = first;
    mislabelled.formattype = FORMAT_VideoInfo2; // 88 bytes cannot hold a VIDEOINFOHEADER2
    for (TMediaType* mt : { &shortFirst, &shortSecond, &mislabelled }) {
        const TMediaType before = *mt;
        EXPECT_FALSE(mt->GetBitmapHeader(bih));
        EXPECT_FALSE(mt->GetRects(source, target));
        EXPECT_EQ(mt->AvgTimePerFrame(), 0);
        EXPECT_FALSE(mt->SetBitmapHeader(BITMAPINFOHEADER {}));
        EXPECT_FALSE(mt->SetRects(RECT {}, RECT {}));
        EXPECT_FALSE(mt->SetAvgTimePerFrame(1));
        EXPECT_EQ(*mt, before);
    }
    TMediaType wave(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx);
    wave.format.assign(17, 0);
    WAVEFORMATEX wfx;
    EXPECT_FALSE(wave.GetWaveFormat(wfx));
    wave.format.assign(18, 0);
    EXPECT_TRUE(wave.GetWaveFormat(wfx));
    TMediaType dv(MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd, FORMAT_DvInfo);
    dv.format.assign(31, 0);
    DVINFO info;
    EXPECT_FALSE(dv.GetDvInfo(info));
    EXPECT_FALSE(dv.GetBitmapHeader(bih));

    // Blocks come from byte buffers of any alignment.
    std::vector<uint8_t> unaligned(1 + sizeof(WAVEFORMATEX), 0);
    unaligned[1] = 0x01;
    unaligned[3] = 0x02;
    WAVEFORMATEX read;
    ASSERT_TRUE(ReadFormatBlock(unaligned.data() + 1, sizeof(WAVEFORMATEX), read));
    EXPECT_EQ(read.wFormatTag, 1);
    EXPECT_EQ(read.nChannels, 2);
    EXPECT_FALSE(ReadFormatBlock(unaligned.data() + 1, sizeof(WAVEFORMATEX), read, 1));
    EXPECT_FALSE(ReadFormatBlock<WAVEFORMATEX>(nullptr, 100, read));
}

TEST(MediaType, SettersCopiesAndTrailingData)
{
    TMediaType mt(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo);
    mt.SetFormatBlock(VIDEOINFOHEADER {});
    BITMAPINFOHEADER bih;
    bih.biWidth = 352;
    bih.biHeight = 288;
    ASSERT_TRUE(mt.SetBitmapHeader(bih));
    ASSERT_TRUE(mt.SetRects(RECT { 0, 0, 352, 288 }, RECT { 0, 0, 352, 288 }));
    ASSERT_TRUE(mt.SetAvgTimePerFrame(333667));
    ASSERT_TRUE(mt.SetBitRate(1150000));

    // A copy owns its bytes: changing it leaves the original as it was.
    TMediaType copy = mt;
    EXPECT_EQ(copy, mt);
    ASSERT_TRUE(copy.SetAvgTimePerFrame(400000));
    EXPECT_NE(copy, mt);
    EXPECT_EQ(mt.AvgTimePerFrame(), 333667);
    copy = mt;
    copy.lSampleSize = 1;
    EXPECT_NE(copy, mt);

    // Bytes past the header that biSize claims are the codec's; a claim that
    // runs past the block gives only what is there.
    EXPECT_TRUE(mt.CodecData().empty());
    bih.biSize = 40 + 6;
    ASSERT_TRUE(mt.SetBitmapHeader(bih));
    mt.format.insert(mt.format.end(), { 1, 2, 3, 4 });
    EXPECT_EQ(mt.CodecData(), (std::vector<uint8_t> { 1, 2, 3, 4 }));

    TMediaType mpeg2(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO, FORMAT_MPEG2Video);
    MPEG2VIDEOINFO info;
    info.cbSequenceHeader = 1000;
    mpeg2.SetFormatBlock(info);
    mpeg2.format[132] = 0xAB;
    mpeg2.format.push_back(0xCD);
    EXPECT_EQ(mpeg2.CodecData(), (std::vector<uint8_t> { 0xAB, 0, 0, 0, 0xCD }));

    TMediaType wave(MEDIATYPE_Audio, MEDIASUBTYPE_RAW_AAC1, FORMAT_WaveFormatEx);
    WAVEFORMATEX wfx;
    wfx.cbSize = 2;
    wave.SetFormatBlock(wfx);
    wave.format.insert(wave.format.end(), { 0x12, 0x10 });
    EXPECT_EQ(wave.CodecData(), (std::vector<uint8_t> { 0x12, 0x10 }));

    const QString dump = mt.Dump();
    EXPECT_TRUE(dump.contains(QStringLiteral("MEDIATYPE_Video"))) << dump.toStdString();
    EXPECT_TRUE(dump.contains(QStringLiteral("MEDIASUBTYPE_RGB32")));
    EXPECT_TRUE(dump.contains(QStringLiteral("biWidth 352 biHeight 288")));
    EXPECT_TRUE(dump.contains(QStringLiteral("AvgTimePerFrame 333667")));
    const QString xvid = TMediaType(MEDIATYPE_Video, FourCCSubtype(MakeFourCC('X', 'V', 'I', 'D'))).Dump();
    EXPECT_TRUE(xvid.contains(QStringLiteral("'XVID'"))) << xvid.toStdString();

    mt.ResetFormat();
    EXPECT_EQ(mt.formattype, FORMAT_None);
    EXPECT_EQ(mt.cbFormat(), 0u);
    EXPECT_EQ(mt.pbFormat(), nullptr);
    EXPECT_FALSE(mt.GetBitmapHeader(bih));
}
