#include "filters/DvAnalysis.h"

#include "NotifierTestSupport.h"
#include "filters/TvData.h"

#include <gtest/gtest.h>

namespace
{

QDateTime dateOf(const TDvVideoAux& aux)
{
    return DatecodeToDateTime(aux.Datecode);
}

TDvVideoAux read(const std::vector<uint8_t>& bytes)
{
    TDvVideoAux aux;
    EXPECT_TRUE(ReadDvVideoAux(bytes.data(), bytes.size(), aux));
    return aux;
}

} // namespace

TEST(DvAnalysis, BcdUsesOnlyTheTensBitsOfItsMask)
{
    EXPECT_EQ(DvBcd(0x31, 0x30), 31);
    EXPECT_EQ(DvBcd(0xD5, 0x30), 15); // the pack's flag bits above the tens are not digits
    EXPECT_EQ(DvBcd(0xF9, 0x70), 79);
    EXPECT_EQ(DvBcd(0x12, 0x10), 12);
    EXPECT_EQ(DvBcd(0x32, 0x10), 12);
    EXPECT_EQ(DvBcd(0x99, 0xF0), 99);
    EXPECT_EQ(DvBcd(0x0F, 0xF0), 15); // a bad units digit is kept, and caught by DvBcdDigits
    EXPECT_TRUE(DvBcdDigits(0x99, 0xF0));
    EXPECT_TRUE(DvBcdDigits(0xD5, 0x30)); // flag bits are no digits
    EXPECT_FALSE(DvBcdDigits(0x0F, 0xF0));
    EXPECT_FALSE(DvBcdDigits(0xA0, 0xF0));
    EXPECT_FALSE(DvBcdDigits(0x3A, 0x30));
}

TEST(DvAnalysis, DatecodeAndTimeOfDay)
{
    double code = 0;
    ASSERT_TRUE(DatecodeFromDateTime(QDate(1899, 12, 30), QTime(0, 0), code));
    EXPECT_EQ(code, 0.0);
    ASSERT_TRUE(DatecodeFromDateTime(QDate(1900, 1, 1), QTime(12, 0), code));
    EXPECT_DOUBLE_EQ(code, 2.5);
    ASSERT_TRUE(DatecodeFromDateTime(QDate(1899, 12, 29), QTime(6, 0), code));
    EXPECT_DOUBLE_EQ(code, -1.25);
    EXPECT_EQ(DatecodeToDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_FALSE(DatecodeFromDateTime(QDate(), QTime(1, 0), code));

    // Every second of a day survives the round trip, the last one included.
    for (const QTime time : { QTime(0, 0, 1), QTime(14, 23, 45), QTime(23, 59, 59) }) {
        ASSERT_TRUE(DatecodeFromDateTime(QDate(2004, 7, 15), time, code));
        EXPECT_EQ(DatecodeToDateTime(code), QDateTime(QDate(2004, 7, 15), time))
            << time.toString().toStdString();
    }
    EXPECT_FALSE(DatecodeToDateTime(std::numeric_limits<double>::quiet_NaN()).isValid());
    EXPECT_FALSE(DatecodeToDateTime(1e300).isValid());
}

TEST(DvAnalysis, RecordingDateAndTime)
{
    TDvVideoAux aux = read(TDvFrameBuilder().DateBytes(0x31, 0x12, 0x99, 0x23, 0x59, 0x58).Bytes);
    EXPECT_EQ(aux.DatecodeState, TDvDatecode::Valid);
    EXPECT_EQ(dateOf(aux), QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58)));

    // Two-digit years: below 40 in this century, from 40 in the last.
    EXPECT_EQ(
        dateOf(read(TDvFrameBuilder().DateBytes(0x01, 0x01, 0x39, 0, 0, 0).Bytes)).date(), QDate(2039, 1, 1));
    EXPECT_EQ(
        dateOf(read(TDvFrameBuilder().DateBytes(0x01, 0x01, 0x40, 0, 0, 0).Bytes)).date(), QDate(1940, 1, 1));
    EXPECT_EQ(
        dateOf(read(TDvFrameBuilder().DateBytes(0x01, 0x01, 0x00, 0, 0, 0).Bytes)).date(), QDate(2000, 1, 1));

    // Flag bits around the digits, as camcorders and muxers write them.
    aux = read(TDvFrameBuilder().DateBytes(0xD5, 0x07, 0x04, 0xD4, 0xA3, 0xC5).Bytes);
    EXPECT_EQ(dateOf(aux), QDateTime(QDate(2004, 7, 15), QTime(14, 23, 45)));

    // Values that are no date or time.
    EXPECT_EQ(read(TDvFrameBuilder().DateBytes(0x01, 0x13, 0x04, 0, 0, 0).Bytes).DatecodeState,
        TDvDatecode::Invalid);
    EXPECT_EQ(read(TDvFrameBuilder().DateBytes(0x31, 0x02, 0x04, 0, 0, 0).Bytes).DatecodeState,
        TDvDatecode::Invalid);
    EXPECT_EQ(read(TDvFrameBuilder().DateBytes(0x01, 0x02, 0x04, 0x24, 0, 0).Bytes).DatecodeState,
        TDvDatecode::Invalid);
    EXPECT_EQ(read(TDvFrameBuilder().DateBytes(0x01, 0x02, 0x04, 0, 0x60, 0).Bytes).DatecodeState,
        TDvDatecode::Invalid);
    EXPECT_EQ(read(TDvFrameBuilder().DateBytes(0x3A, 0x02, 0x04, 0, 0, 0).Bytes).DatecodeState,
        TDvDatecode::Invalid);
    // A digit above 9 is a damaged pack even when its sum makes a date:
    // year 0x9F (2005), 0x0F (2015), day 0x1A (20), second 0x0F (15).
    for (const auto& bytes : { std::array<uint8_t, 6> { 0x01, 0x01, 0x9F, 0, 0, 0 },
             std::array<uint8_t, 6> { 0x01, 0x01, 0x0F, 0, 0, 0 },
             std::array<uint8_t, 6> { 0x1A, 0x01, 0x04, 0, 0, 0 },
             std::array<uint8_t, 6> { 0x01, 0x01, 0x04, 0, 0, 0x0F } })
        EXPECT_EQ(
            read(
                TDvFrameBuilder().DateBytes(bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5]).Bytes)
                .DatecodeState,
            TDvDatecode::Invalid);

    // Empty (0x00) pack headers are read like real ones: zero bytes give
    // month 0, no date; set bytes give the date.
    EXPECT_EQ(read(TDvFrameBuilder().DateBytes(0, 0, 0, 0, 0, 0, 0, 0x00, 0x00).Bytes).DatecodeState,
        TDvDatecode::Invalid);
    aux = read(TDvFrameBuilder().DateBytes(0x02, 0x03, 0x05, 0x06, 0x07, 0x08, 0, 0x00, 0x00).Bytes);
    EXPECT_EQ(dateOf(aux), QDateTime(QDate(2005, 3, 2), QTime(6, 7, 8)));
    EXPECT_EQ(read(TDvFrameBuilder().DateBytes(0x02, 0x03, 0x05, 0, 0, 0, 0, 0x62, 0x00).Bytes).DatecodeState,
        TDvDatecode::Valid);

    // Other pack headers: that sequence does not count, a later one may.
    EXPECT_EQ(read(TDvFrameBuilder().DateBytes(0x02, 0x03, 0x05, 0, 0, 0, 0, 0x62, 0x64).Bytes).DatecodeState,
        TDvDatecode::Absent);
    EXPECT_EQ(read(TDvFrameBuilder().Bytes).DatecodeState, TDvDatecode::Absent);
    aux = read(TDvFrameBuilder().Date(8, 9, 2010, 11, 12, 13, 9).Bytes);
    EXPECT_EQ(dateOf(aux), QDateTime(QDate(2010, 9, 8), QTime(11, 12, 13)));
    // The first qualifying sequence decides, even when its values are bad.
    EXPECT_EQ(read(TDvFrameBuilder().DateBytes(0, 0x13, 0, 0, 0, 0, 2).Date(8, 9, 2010, 11, 12, 13, 5).Bytes)
                  .DatecodeState,
        TDvDatecode::Invalid);
}

TEST(DvAnalysis, TimecodeNeedsBothSubcodePacks)
{
    TDvVideoAux aux = read(TDvFrameBuilder().Timecode(10, 20, 30, 24).Bytes);
    ASSERT_TRUE(aux.TimecodeValid);
    EXPECT_EQ(aux.Timecode, (std::array<uint8_t, 4> { 10, 20, 30, 24 }));

    EXPECT_FALSE(read(TDvFrameBuilder().Timecode(10, 20, 30, 24, 0, false).Bytes).TimecodeValid);
    EXPECT_FALSE(read(TDvFrameBuilder().Bytes).TimecodeValid);

    // Sequence 0 has the first pack only; sequence 4 has both.
    aux = read(TDvFrameBuilder().Timecode(1, 1, 1, 1, 0, false).Timecode(23, 59, 58, 29, 4).Bytes);
    ASSERT_TRUE(aux.TimecodeValid);
    EXPECT_EQ(aux.Timecode, (std::array<uint8_t, 4> { 23, 59, 58, 29 }));

    // Masks: frames and hours use two tens bits, seconds and minutes three.
    TDvFrameBuilder masked;
    masked.Timecode(0, 0, 0, 0);
    masked.Seq(0)[DvOffset::Timecode] = 0xE4; // drop-frame and colour-frame flags above "24"
    masked.Seq(0)[DvOffset::Timecode + 1] = 0xD9;
    masked.Seq(0)[DvOffset::Timecode + 2] = 0xC5;
    masked.Seq(0)[DvOffset::Timecode + 3] = 0xD2;
    EXPECT_EQ(read(masked.Bytes).Timecode, (std::array<uint8_t, 4> { 12, 45, 59, 24 }));

    // A digit above 9 (frames 0x2F would read 35) is a damaged pack: no
    // timecode, even when a later sequence has a good one.
    TDvFrameBuilder damaged;
    damaged.Timecode(0, 0, 0, 0).Timecode(1, 2, 3, 4, 3);
    damaged.Seq(0)[DvOffset::Timecode] = 0x2F;
    aux = read(damaged.Bytes);
    EXPECT_FALSE(aux.TimecodeValid);
    EXPECT_EQ(aux.Timecode, (std::array<uint8_t, 4> {}));
}

TEST(DvAnalysis, StandardAndWidePicture)
{
    EXPECT_EQ(read(TDvFrameBuilder(10, 0xBF).Bytes).Standard, StandardPal);
    EXPECT_EQ(read(TDvFrameBuilder(10, 0x3F).Bytes).Standard, StandardNtsc);
    EXPECT_EQ(read(TDvFrameBuilder(10, 0x80).Bytes).Standard, StandardUnknown);

    EXPECT_FALSE(read(TDvFrameBuilder().Bytes).Wide);
    EXPECT_TRUE(read(TDvFrameBuilder().DisplaySelect(2).Bytes).Wide);
    EXPECT_FALSE(read(TDvFrameBuilder().DisplaySelect(1).Bytes).Wide);
    // Mode 7 is wide only for application identifier 0.
    TDvFrameBuilder seven;
    seven.DisplaySelect(7);
    EXPECT_TRUE(read(seven.Bytes).Wide); // 0x78
    seven.Seq(0)[DvOffset::ApplicationId] = 0x79;
    EXPECT_FALSE(read(seven.Bytes).Wide);
    seven.Seq(0)[DvOffset::ApplicationId] = 0x00;
    EXPECT_TRUE(read(seven.Bytes).Wide);
    // Sequence 0 has the pack, so it decides over a later wide one.
    EXPECT_FALSE(read(TDvFrameBuilder().DisplaySelect(2, 3).Bytes).Wide);
}

TEST(DvAnalysis, FramesWithoutAuxDataOrCutShort)
{
    TDvVideoAux untouched;
    untouched.Timecode = { 9, 9, 9, 9 };
    untouched.TimecodeValid = true;

    TDvFrameBuilder noPack;
    noPack.Timecode(1, 2, 3, 4).Date(1, 2, 2003, 4, 5, 6);
    noPack.Seq(0)[DvOffset::VideoAuxPack] = 0x60;
    TDvVideoAux aux = untouched;
    EXPECT_FALSE(ReadDvVideoAux(noPack.Bytes.data(), noPack.Bytes.size(), aux));
    EXPECT_EQ(aux.Timecode, untouched.Timecode);
    int32_t rate = 7, bits = 7;
    EXPECT_FALSE(ReadDvAudioAux(noPack.Bytes.data(), noPack.Bytes.size(), rate, bits));
    EXPECT_EQ(rate, 7);
    EXPECT_FALSE(ReadDvVideoAux(nullptr, 144000, aux));
    EXPECT_FALSE(DvHasAuxData(nullptr, 144000));

    // Less than one sequence: nothing is read. The vectors are exactly as
    // long as the sample, so a read past the end shows under the sanitizers.
    std::vector<uint8_t> tiny(TDvFrameBuilder(1).Timecode(1, 2, 3, 4).Bytes);
    tiny.resize(DvSequenceSize - 1);
    EXPECT_FALSE(ReadDvVideoAux(tiny.data(), tiny.size(), aux));
    EXPECT_FALSE(ReadDvAudioAux(tiny.data(), tiny.size(), rate, bits));
    tiny.resize(500);
    EXPECT_FALSE(ReadDvVideoAux(tiny.data(), tiny.size(), aux));

    // One whole sequence is enough for what sequence 0 holds.
    std::vector<uint8_t> one(TDvFrameBuilder(1).Timecode(1, 2, 3, 4).Audio(2, 1).Bytes);
    aux = read(one);
    EXPECT_TRUE(aux.TimecodeValid);
    EXPECT_TRUE(ReadDvAudioAux(one.data(), one.size(), rate, bits));
    EXPECT_EQ(rate, 32000);
    EXPECT_EQ(bits, 12);

    // Packs in a sequence that is cut off, or beyond the tenth, are not seen.
    std::vector<uint8_t> cut(TDvFrameBuilder(2).Timecode(1, 2, 3, 4, 1).Date(1, 2, 2003, 4, 5, 6, 1).Bytes);
    cut.resize(DvSequenceSize + 500);
    aux = read(cut);
    EXPECT_FALSE(aux.TimecodeValid);
    EXPECT_EQ(aux.DatecodeState, TDvDatecode::Absent);
    std::vector<uint8_t> ntsc(
        TDvFrameBuilder(12, 0x3F).Timecode(1, 2, 3, 4, 10).Date(1, 2, 2003, 4, 5, 6, 11).Bytes);
    aux = read(ntsc);
    EXPECT_FALSE(aux.TimecodeValid);
    EXPECT_EQ(aux.DatecodeState, TDvDatecode::Absent);
}

TEST(DvAnalysis, AudioSourcePack)
{
    const auto audio = [](const std::vector<uint8_t>& bytes) {
        int32_t rate = 99, bits = 99;
        EXPECT_TRUE(ReadDvAudioAux(bytes.data(), bytes.size(), rate, bits));
        return std::pair(rate, bits);
    };
    EXPECT_EQ(audio(TDvFrameBuilder().Audio(0, 0).Bytes), std::pair(48000, 16));
    EXPECT_EQ(audio(TDvFrameBuilder().Audio(1, 0).Bytes), std::pair(44100, 16));
    EXPECT_EQ(audio(TDvFrameBuilder().Audio(2, 1).Bytes), std::pair(32000, 12));
    EXPECT_EQ(audio(TDvFrameBuilder().Audio(3, 2).Bytes), std::pair(0, 0));
    EXPECT_EQ(audio(TDvFrameBuilder().Audio(7, 7).Bytes), std::pair(0, 0));
    EXPECT_EQ(audio(TDvFrameBuilder().Bytes), std::pair(-1, -1));
}

TEST(Mpeg2SequenceHeader, SizeAspectAndRate)
{
    const uint8_t pal[] = { 0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x33, 0xFF };
    TMpeg2SequenceHeader h;
    ASSERT_TRUE(ReadMpeg2SequenceHeader(pal, sizeof pal, h));
    EXPECT_EQ(h.Width, 720u);
    EXPECT_EQ(h.Height, 576u);
    EXPECT_EQ(h.Aspect, AspectWide);
    EXPECT_EQ(h.FramesPerSecond, 25.0);

    const uint8_t hd[] = { 0x00, 0x00, 0x01, 0xB3, 0x78, 0x04, 0x38, 0x28 };
    ASSERT_TRUE(ReadMpeg2SequenceHeader(hd, sizeof hd, h));
    EXPECT_EQ(h.Width, 1920u);
    EXPECT_EQ(h.Height, 1080u);
    EXPECT_EQ(h.Aspect, AspectNormal);
    EXPECT_EQ(h.FramesPerSecond, 60.0);

    const double rates[]
        = { 0, 24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60, 0, 0, 0, 0, 0, 0, 0 };
    for (int code = 0; code < 16; ++code)
        EXPECT_DOUBLE_EQ(Mpeg2FrameRate(code), rates[code]) << code;
    EXPECT_EQ(Mpeg2FrameRate(-1), 0.0);

    uint8_t square[] = { 0x00, 0x00, 0x01, 0xB3, 0x14, 0x00, 0xF0, 0x14 };
    ASSERT_TRUE(ReadMpeg2SequenceHeader(square, sizeof square, h));
    EXPECT_EQ(h.Width, 320u);
    EXPECT_EQ(h.Height, 240u);
    EXPECT_EQ(h.Aspect, AspectUnknown);
    EXPECT_DOUBLE_EQ(h.FramesPerSecond, 30000.0 / 1001);

    // Anything else, or fewer than eight bytes, is left alone.
    TMpeg2SequenceHeader before = h;
    const uint8_t picture[] = { 0x00, 0x00, 0x01, 0x00, 0x2D, 0x02, 0x40, 0x33 };
    EXPECT_FALSE(ReadMpeg2SequenceHeader(picture, sizeof picture, h));
    EXPECT_FALSE(ReadMpeg2SequenceHeader(pal, 7, h));
    EXPECT_FALSE(ReadMpeg2SequenceHeader(nullptr, 8, h));
    EXPECT_EQ(h.Width, before.Width);
    EXPECT_EQ(h.FramesPerSecond, before.FramesPerSecond);
}
