#include "filters/WaveFormatName.h"

#include <gtest/gtest.h>
#include <set>

TEST(WaveFormatName, TellingRowsAndUnknownTags)
{
    EXPECT_EQ(WaveFormatName(0x0001), QByteArray("PCM"));
    EXPECT_EQ(WaveFormatName(0x0055), QByteArray("MP3"));
    EXPECT_EQ(WaveFormatName(0x0161), QByteArray("WMA"));
    EXPECT_EQ(WaveFormatName(0x0050), QByteArray("MPEG Audio"));
    EXPECT_EQ(WaveFormatName(0x0059), QByteArray("LUCENT G.723"));
    EXPECT_EQ(WaveFormatName(0x0088), QByteArray("ISIAUDIO "));
    EXPECT_EQ(WaveFormatName(0x1401), QByteArray("ISIAUDIO"));
    EXPECT_EQ(WaveFormatName(0x0008), QByteArray("DTS"));
    EXPECT_EQ(WaveFormatName(0x2001), QByteArray("DTS"));
    for (uint16_t tag : { 0x1102, 0x1103, 0x1104 })
        EXPECT_EQ(WaveFormatName(tag), QByteArray("LH_SBC")) << tag;
    EXPECT_EQ(WaveFormatName(0x7A21), QByteArray("GSM_AMR"));
    EXPECT_EQ(WaveFormatName(0x7A22), QByteArray("GSM_AMR"));
    EXPECT_EQ(WaveFormatName(0x674F), QByteArray("OGG_VORBIS1"));
    EXPECT_EQ(WaveFormatName(0x676F), QByteArray("OGG_VORBIS1+"));
    EXPECT_EQ(WaveFormatName(0x6771), QByteArray("OGG_VORBIS3+"));
    EXPECT_EQ(WaveFormatName(0x0162), QByteArray("WMA_Pro"));
    // The first and last rows, where a binary search goes wrong first.
    EXPECT_EQ(WaveFormatName(0x0002), QByteArray("ADPCM"));
    EXPECT_EQ(WaveFormatName(0x7A20), QByteArray());
    EXPECT_EQ(WaveFormatName(0x7A23), QByteArray());

    // As the audio label shows them: the first four characters.
    EXPECT_EQ(WaveFormatName(0x0003).left(4), QByteArray("IEEE"));
    EXPECT_EQ(WaveFormatName(0x2000).left(4), QByteArray("AC3"));
    EXPECT_EQ(WaveFormatName(0x0050).left(4), QByteArray("MPEG"));

    for (uint16_t tag : { 0x0000, 0xFFFE, 0xFFFF, 0x000A, 0x0029, 0x0054, 0x1105, 0x676E })
        EXPECT_TRUE(WaveFormatName(tag).isEmpty()) << tag;
}

TEST(WaveFormatName, TableHoldsEveryTagOnceAndFindsEach)
{
    const auto table = WaveFormatNameTable();
    EXPECT_EQ(table.size(), 144u);
    std::set<uint16_t> tags;
    for (const TWaveFormatNameEntry& entry : table) {
        EXPECT_TRUE(tags.insert(entry.tag).second) << entry.tag;
        EXPECT_EQ(WaveFormatName(entry.tag), QByteArray(entry.name)) << entry.tag;
        EXPECT_FALSE(QByteArray(entry.name).isEmpty());
    }
    // Every tag between the rows is unknown.
    int known = 0;
    for (uint32_t tag = 0; tag <= 0xFFFF; ++tag)
        known += WaveFormatName(uint16_t(tag)).isEmpty() ? 0 : 1;
    EXPECT_EQ(known, 144);
}
