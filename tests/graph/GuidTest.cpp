#include "graph/Guid.h"

#include "graph/MediaTypeGuids.h"
#include "graph/ResultCodes.h"

#include <gtest/gtest.h>
#include <set>

TEST(Guid, TextFormRoundTripsAndRejectsMalformedText)
{
    EXPECT_EQ(MEDIATYPE_Video.ToString(), QStringLiteral("{73646976-0000-0010-8000-00AA00389B71}"));
    EXPECT_EQ(MEDIASUBTYPE_RGB32.ToString(), QStringLiteral("{E436EB7E-524F-11CE-9F53-0020AF0BA770}"));
    EXPECT_EQ(FORMAT_VideoInfo.ToString(), QStringLiteral("{05589F80-C356-11CE-BF01-00AA0055595A}"));
    EXPECT_EQ(FORMAT_MPEG2Video.ToString(), QStringLiteral("{E06D80E3-DB46-11CF-B4D1-00805F6CBBEA}"));
    EXPECT_EQ(GUID_NULL.ToString(), QStringLiteral("{00000000-0000-0000-0000-000000000000}"));

    // Every byte position must land in its own field.
    const GUID odd { 0x01234567, 0x89AB, 0xCDEF, { 0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE } };
    GUID parsed;
    ASSERT_TRUE(GUID::FromString(odd.ToString(), parsed));
    EXPECT_EQ(parsed, odd);
    ASSERT_TRUE(GUID::FromString(u"{f72a76a0-eb0a-11d0-ace4-0000c0cc16ba}", parsed));
    EXPECT_EQ(parsed, FORMAT_VideoInfo2);

    const GUID before = parsed;
    for (const char16_t* bad : { u"", u"F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA",
             u"{F72A76A0-EB0A-11D0-ACE4-0000C0CC16B}", u"{F72A76A0-EB0A-11D0-ACE4-0000C0CC16BAA}",
             u"{F72A76A0+EB0A-11D0-ACE4-0000C0CC16BA}", u"{F72A76G0-EB0A-11D0-ACE4-0000C0CC16BA}",
             u"{F72A76A0-EB0A-11D0-ACE40-000C0CC16BA}", u"{F72A76A0-EB0A-11D0-ACE4-0000C0CC16B }" }) {
        EXPECT_FALSE(GUID::FromString(QStringView(bad), parsed)) << QString::fromUtf16(bad).toStdString();
        EXPECT_EQ(parsed, before);
    }
}

TEST(Guid, FourCCSubtypesOrderingAndNames)
{
    EXPECT_EQ(FourCCSubtype(MakeFourCC('d', 'v', 's', 'd')).ToString(),
        QStringLiteral("{64737664-0000-0010-8000-00AA00389B71}"));
    EXPECT_EQ(MEDIASUBTYPE_PCM.ToString(), QStringLiteral("{00000001-0000-0010-8000-00AA00389B71}"));
    EXPECT_EQ(MEDIASUBTYPE_H264.ToString(), QStringLiteral("{34363248-0000-0010-8000-00AA00389B71}"));
    EXPECT_EQ(MEDIASUBTYPE_MPEG2_VIDEO.ToString(), QStringLiteral("{E06D8026-DB46-11CF-B4D1-00805F6CBBEA}"));
    EXPECT_EQ(MEDIASUBTYPE_DOLBY_AC3.ToString(), QStringLiteral("{E06D802C-DB46-11CF-B4D1-00805F6CBBEA}"));
    EXPECT_EQ(FORMAT_None.ToString(), QStringLiteral("{0F6417D6-C318-11D0-A43F-00A0C9223196}"));
    EXPECT_TRUE(IsFourCCSubtype(MEDIASUBTYPE_MPEG1AudioPayload));
    EXPECT_FALSE(IsFourCCSubtype(MEDIASUBTYPE_RGB32));
    EXPECT_FALSE(IsFourCCSubtype(GUID_NULL));

    // Ordering is by Data1 first, then the later fields.
    GUID a = MEDIATYPE_Video, b = MEDIATYPE_Video;
    b.Data4[7] = 0x72;
    EXPECT_LT(a, b);
    b = a;
    b.Data1 -= 1;
    b.Data4[0] = 0xFF;
    EXPECT_LT(b, a);
    const std::set<GUID> set { MEDIATYPE_Video, MEDIATYPE_Audio, MEDIATYPE_Video, FORMAT_DvInfo };
    EXPECT_EQ(set.size(), 3u);

    EXPECT_STREQ(GuidName(MEDIATYPE_Video), "MEDIATYPE_Video");
    EXPECT_STREQ(GuidName(FORMAT_WaveFormatEx), "FORMAT_WaveFormatEx");
    EXPECT_STREQ(GuidName(MEDIASUBTYPE_dvsd), "MEDIASUBTYPE_dvsd");
    EXPECT_STREQ(GuidName(FourCCSubtype(MakeFourCC('Z', 'Z', 'Z', 'Z'))), "");
}

TEST(ResultCodes, PlatformValuesAndSuccessTest)
{
    EXPECT_EQ(uint32_t(E_FAIL), 0x80004005u);
    EXPECT_EQ(uint32_t(E_UNEXPECTED), 0x8000FFFFu);
    EXPECT_EQ(uint32_t(E_INVALIDARG), 0x80070057u);
    EXPECT_EQ(uint32_t(VFW_E_TYPE_NOT_ACCEPTED), 0x8004022Au);
    EXPECT_EQ(uint32_t(VFW_E_NOT_FOUND), 0x80040216u);
    EXPECT_EQ(VFW_S_CANT_CUE, 0x00040268);
    EXPECT_EQ(VFW_S_NO_MORE_ITEMS, 0x00040103);
    // Remarks are successes: a caller that tests for failure must let them through.
    EXPECT_TRUE(SUCCEEDED(S_FALSE) && SUCCEEDED(VFW_S_NO_MORE_ITEMS) && SUCCEEDED(VFW_S_NO_STOP_TIME));
    EXPECT_TRUE(FAILED(E_FAIL) && FAILED(VFW_E_SAMPLE_TIME_NOT_SET) && FAILED(E_OUTOFMEMORY));
    EXPECT_FALSE(FAILED(S_OK));
}
