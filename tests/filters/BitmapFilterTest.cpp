#include "filters/TBitmapFilter.h"
#include "filters/TvData.h"
#include "graph/MediaTypeGuids.h"
#include "platform/WindowMessages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QPainter>
#include <atomic>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

TMediaType Rgb32Type(int width, int height, bool videoInfo2 = false)
{
    TMediaType mt(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, videoInfo2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo);
    BITMAPINFOHEADER bih;
    bih.biWidth = width;
    bih.biHeight = height;
    bih.biBitCount = 32;
    // Absurd sizes wrap here on purpose: the filter must not trust the field.
    bih.biSizeImage = uint32_t(uint64_t(std::abs(int64_t(width))) * uint64_t(std::abs(int64_t(height))) * 4);
    if (videoInfo2) {
        VIDEOINFOHEADER2 vih;
        vih.bmiHeader = bih;
        vih.AvgTimePerFrame = 400000;
        vih.dwInterlaceFlags = AMINTERLACE_IsInterlaced | AMINTERLACE_Field1First;
        vih.dwPictAspectRatioX = 4;
        vih.dwPictAspectRatioY = 3;
        mt.SetFormatBlock(vih);
    } else {
        VIDEOINFOHEADER vih;
        vih.bmiHeader = bih;
        vih.AvgTimePerFrame = 400000;
        mt.SetFormatBlock(vih);
    }
    mt.lSampleSize = bih.biSizeImage;
    mt.bFixedSizeSamples = true;
    return mt;
}

// One frame whose pixel (row, column) in storage order is B = column,
// G = row, R = tag, fourth byte 0.
std::vector<uint8_t> Frame(int width, int height, uint8_t tag)
{
    std::vector<uint8_t> data(size_t(width) * height * 4);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            uint8_t* p = &data[(size_t(r) * width + c) * 4];
            p[0] = uint8_t(c);
            p[1] = uint8_t(r);
            p[2] = tag;
            p[3] = 0;
        }
    return data;
}

uint32_t Pixel(int row, int column, uint8_t tag)
{
    return 0xFF000000u | uint32_t(tag) << 16 | uint32_t(uint8_t(row)) << 8 | uint8_t(column);
}

uint32_t BitmapPixel(TBitmapFilter& filter, int x, int y)
{
    std::lock_guard lock(filter.Bitmap);
    return reinterpret_cast<const uint32_t*>(filter.Bitmap.Image().constScanLine(y))[x];
}

class Target : public QObject, public TMessageTarget
{
public:
    qintptr WindowMessage(unsigned msg, quintptr wParam, qintptr lParam) override
    {
        received.emplace_back(msg, wParam, lParam);
        if (during) during(msg, wParam, lParam);
        return msg == WM_USER + 1 ? 1 : 0;
    }
    std::vector<std::tuple<unsigned, quintptr, qintptr>> received;
    std::function<void(unsigned, quintptr, qintptr)> during;

protected:
    bool event(QEvent* e) override { return DispatchWindowMessage(this, e) || QObject::event(e); }
};

// The filter reports to `target` for the life of the guard.
struct MainWindowGuard {
    explicit MainWindowGuard(QObject* target) { TBCBaseFilter::SetMainWindow(target); }
    ~MainWindowGuard() { TBCBaseFilter::SetMainWindow(nullptr); }
};

// Output buffers over plain memory, pre-filled so that untouched bytes show.
struct Output {
    explicit Output(TBitmapFilter& filter, size_t size, uint8_t fill = 0xAB)
        : memory(size, fill)
        , fillByte(fill)
    {
        filter.GetDeliveryBuffer = [this](TMediaSample*& out, const TMediaSample*) {
            sample = TMediaSample(memory.data(), int32_t(memory.size()));
            out = &sample;
            return S_OK;
        };
        filter.Deliver = [this](TMediaSample* out) {
            ++delivered;
            type.reset();
            if (out->MediaType()) type = *out->MediaType();
            return S_OK;
        };
    }
    std::vector<uint8_t> memory;
    uint8_t fillByte;
    TMediaSample sample;
    int delivered = 0;
    std::optional<TMediaType> type;
};

void ConnectAndPause(TBitmapFilter& filter, const TMediaType& input)
{
    ASSERT_EQ(filter.ConnectInput(input), S_OK);
    BITMAPINFOHEADER bih;
    ASSERT_TRUE(input.GetBitmapHeader(bih));
    filter.InputPin()->Allocator().Properties = { 3, int32_t(bih.biSizeImage), 1, 0 };
    TMediaType output;
    ASSERT_EQ(filter.ProposeOutputType(output), S_OK);
    ASSERT_EQ(filter.ConnectOutput(output), S_OK);
    ASSERT_EQ(filter.Pause(), S_OK);
}

HRESULT Send(TBitmapFilter& filter, std::vector<uint8_t>& frame, REFERENCE_TIME start,
    REFERENCE_TIME duration = 400000, const TMediaType* type = nullptr, int32_t length = -1)
{
    TMediaSample in(frame.data(), int32_t(frame.size()), length);
    const REFERENCE_TIME stop = start + duration;
    in.SetTime(&start, &stop);
    in.SetSyncPoint(true);
    if (type) in.SetMediaType(type);
    return filter.Receive(&in);
}

void SetSharedFrameDuration(int64_t value)
{
    TSharedRecordLocker lock(&SharedRecordLock());
    VData().AvgTimePerFrame = value;
}

class BitmapFilterFixture : public ::testing::Test
{
protected:
    void SetUp() override { SetSharedFrameDuration(400000); }
    void TearDown() override { SetSharedFrameDuration(0); }
};

// Records every text drawing instead of (and as well as) drawing it.
class CountingFilter : public TBitmapFilter
{
public:
    struct Draw {
        int x, y;
        QString text;
        uint32_t colour;
    };
    std::vector<Draw> draws;

protected:
    void DrawTextAt(QPainter& painter, int x, int y, const QString& text, uint32_t colour) override
    {
        draws.push_back({ x, y, text, colour });
        TBitmapFilter::DrawTextAt(painter, x, y, text, colour);
    }
};

} // namespace

TEST_F(BitmapFilterFixture, IdentityAndAcceptedTypes)
{
    TBitmapFilter filter;
    EXPECT_EQ(filter.ObjectName(), QStringLiteral("Kestrine Bitmap2Filter"));
    EXPECT_EQ(filter.ClassId().ToString(), QStringLiteral("{2AE57AC9-12EA-41EC-8F6B-998C5126A7E5}"));
    EXPECT_EQ(filter.MaxWidth, 736);
    EXPECT_EQ(filter.MaxHeight, 576);
    EXPECT_FALSE(filter.InlayEnabled);
    EXPECT_FALSE(filter.VerticalFlip);
    EXPECT_FALSE(filter.HorizontalMirror);

    TBitmapFilter larger;
    larger.SetMaximumSize(1024, 768);
    EXPECT_EQ(larger.MaxWidth, 1024);
    EXPECT_EQ(larger.MaxHeight, 768);

    // Probing types that are refused takes no geometry.
    TMediaType yuy2 = Rgb32Type(720, 576);
    yuy2.subtype = MEDIASUBTYPE_YUY2;
    EXPECT_EQ(filter.CheckInputType(yuy2), VFW_E_TYPE_NOT_ACCEPTED);
    TMediaType mpeg = Rgb32Type(720, 576);
    mpeg.formattype = FORMAT_MPEGVideo;
    EXPECT_EQ(filter.CheckInputType(mpeg), VFW_E_TYPE_NOT_ACCEPTED);
    TMediaType truncated = Rgb32Type(720, 576, true);
    truncated.format.resize(100);
    EXPECT_EQ(filter.CheckInputType(truncated), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(filter.CheckInputType(Rgb32Type(0, 576)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(filter.CheckInputType(Rgb32Type(INT32_MIN, INT32_MIN)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(filter.CheckInputType(Rgb32Type(100000, 100000)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_TRUE(filter.GeometryPending);
    EXPECT_EQ(filter.Width, 0);

    // A query from outside the stream answers like the check and takes
    // nothing: the frames queued before the queried type keep their size.
    EXPECT_EQ(filter.QueryAccept(Rgb32Type(800, 600)), S_OK);
    EXPECT_EQ(filter.QueryAccept(yuy2), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(filter.QueryAccept(Rgb32Type(100000, 100000)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_TRUE(filter.GeometryPending);
    EXPECT_EQ(filter.Width, 0);
    EXPECT_EQ(filter.MaxWidth, 736);

    // The first accepted type gives the geometry; a later one only answers.
    EXPECT_EQ(filter.CheckInputType(Rgb32Type(720, -576, true)), S_OK);
    EXPECT_FALSE(filter.GeometryPending);
    EXPECT_EQ(filter.Width, 720);
    EXPECT_EQ(filter.Height, 576);
    {
        std::lock_guard lock(filter.Bitmap);
        EXPECT_EQ(filter.Bitmap.Width(), 720);
        EXPECT_EQ(filter.Bitmap.Height(), 576);
        EXPECT_EQ(filter.Bitmap.Image().format(), QImage::Format_RGB32);
    }
    EXPECT_EQ(filter.CheckInputType(Rgb32Type(352, 288)), S_OK);
    EXPECT_EQ(filter.Width, 720);
    filter.PrepareConnection();
    EXPECT_EQ(filter.CheckInputType(Rgb32Type(352, 288)), S_OK);
    EXPECT_EQ(filter.Width, 352);
    EXPECT_EQ(filter.Height, 288);

    TMediaType unused;
    EXPECT_EQ(filter.GetMediaType(0, unused), E_UNEXPECTED); // input not connected
    EXPECT_EQ(filter.GetMediaType(-1, unused), E_INVALIDARG);
    EXPECT_EQ(filter.GetMediaType(1, unused), VFW_S_NO_MORE_ITEMS);
}

TEST_F(BitmapFilterFixture, OutputAnnouncedAtMaximumWithPictureAtTopLeft)
{
    for (const bool topDown : { false, true }) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        TBitmapFilter filter;
        ConnectAndPause(filter, Rgb32Type(720, topDown ? -576 : 576));

        const TMediaType& out = filter.OutputPin()->CurrentMediaType();
        BITMAPINFOHEADER bih;
        ASSERT_TRUE(out.GetBitmapHeader(bih));
        EXPECT_EQ(bih.biWidth, 736);
        EXPECT_EQ(bih.biHeight, topDown ? -576 : 576);
        EXPECT_EQ(bih.biSizeImage, 736u * 576 * 4);
        EXPECT_EQ(out.lSampleSize, 736u * 576 * 4);
        RECT source, target;
        ASSERT_TRUE(out.GetRects(source, target));
        EXPECT_EQ(source, (RECT { 0, 0, 720, 576 }));
        EXPECT_EQ(target, (RECT { 0, 0, 720, 576 }));
        ASSERT_TRUE(filter.InputPin()->CurrentMediaType().GetRects(source, target));
        EXPECT_EQ(source, (RECT { 0, 0, 720, 576 }));
        EXPECT_EQ(filter.OutputStride, 2944);

        // The output buffers hold the announced picture although the input
        // buffers are smaller.
        ALLOCATOR_PROPERTIES granted;
        filter.OutputPin()->Allocator().GetProperties(granted);
        EXPECT_GE(granted.cbBuffer, 736 * 576 * 4);
        EXPECT_EQ(granted.cBuffers, 3);

        Output output(filter, 736 * 576 * 4);
        std::vector<uint8_t> frame = Frame(720, 576, 0x40);
        frame[3] = 0x12; // undefined fourth byte
        ASSERT_EQ(Send(filter, frame, 0), S_OK);
        ASSERT_EQ(output.delivered, 1);
        EXPECT_EQ(output.sample.GetActualDataLength(), 576 * 2944);
        REFERENCE_TIME start = -1, stop = -1;
        EXPECT_EQ(output.sample.GetTime(&start, &stop), S_OK);
        EXPECT_EQ(start, 0);
        EXPECT_EQ(stop, 400000);
        EXPECT_EQ(output.sample.IsSyncPoint(), S_OK);

        int wrongRows = 0, touchedPadding = 0;
        for (int row = 0; row < 576; ++row) {
            const uint8_t* line = output.memory.data() + size_t(row) * 2944;
            // Bitmap row `row` shows the picture upright.
            const int inputRow = topDown ? row : 575 - row;
            uint32_t first, last;
            std::memcpy(&first, line, 4);
            std::memcpy(&last, line + 719 * 4, 4);
            if (first != Pixel(inputRow, 0, 0x40) || last != Pixel(inputRow, 719, 0x40)) ++wrongRows;
            for (int b = 2880; b < 2944; ++b)
                if (line[b] != 0xAB) ++touchedPadding;
        }
        EXPECT_EQ(wrongRows, 0);
        EXPECT_EQ(touchedPadding, 0);
        // The undefined fourth byte goes out opaque.
        EXPECT_EQ(BitmapPixel(filter, 0, topDown ? 0 : 575) >> 24, 0xFFu);
    }

    // VideoInfo2 loses its interlace flags on the output.
    TBitmapFilter filter;
    ConnectAndPause(filter, Rgb32Type(720, 576, true));
    uint32_t flags = 1;
    ASSERT_TRUE(filter.OutputPin()->CurrentMediaType().GetInterlaceFlags(flags));
    EXPECT_EQ(flags, 0u);

    // Types that do not match the input are refused on the output.
    TBitmapFilter other;
    ASSERT_EQ(other.ConnectInput(Rgb32Type(720, 576)), S_OK);
    EXPECT_EQ(other.ConnectOutput(Rgb32Type(720, 576, true)), VFW_E_TYPE_NOT_ACCEPTED);

    // An output pool that cannot grant the size fails the connection.
    TBitmapFilter limited;
    ASSERT_EQ(limited.ConnectInput(Rgb32Type(720, 576)), S_OK);
    limited.OutputPin()->Allocator().Limit.cbBuffer = 720 * 576 * 4;
    TMediaType proposed;
    ASSERT_EQ(limited.ProposeOutputType(proposed), S_OK);
    EXPECT_EQ(limited.ConnectOutput(proposed), E_FAIL);
}

TEST_F(BitmapFilterFixture, GrowingPicturesRaiseTheMaximumAndAskForReconnection)
{
    Target target;
    MainWindowGuard guard(&target);

    // VideoInfo2: both pins. The picture keeps its size: the output is
    // renegotiated by the element, and frames go on being copied.
    TBitmapFilter filter;
    filter.Width = 720;
    filter.Height = 576;
    filter.AdaptOutputSize(Rgb32Type(1280, -720, true));
    EXPECT_EQ(filter.MaxWidth, 1280);
    EXPECT_EQ(filter.MaxHeight, 720);
    EXPECT_EQ(filter.Width, 720);
    EXPECT_EQ(filter.Height, 576);
    EXPECT_TRUE(target.received.empty()); // posted, not sent
    ProcessPendingMessages();
    ASSERT_EQ(target.received.size(), 2u);
    EXPECT_EQ(target.received[0], std::make_tuple(WM_USER + 4, quintptr(0), qintptr(0)));
    EXPECT_EQ(target.received[1], std::make_tuple(WM_USER + 4, quintptr(0), qintptr(1)));

    // Smaller pictures change nothing.
    target.received.clear();
    filter.AdaptOutputSize(Rgb32Type(640, 480, true));
    ProcessPendingMessages();
    EXPECT_TRUE(target.received.empty());
    EXPECT_EQ(filter.MaxWidth, 1280);

    // VideoInfo: the output pin only; the picture size stays.
    TBitmapFilter plain;
    plain.Width = 720;
    plain.Height = 576;
    plain.AdaptOutputSize(Rgb32Type(1280, 720));
    ProcessPendingMessages();
    ASSERT_EQ(target.received.size(), 1u);
    EXPECT_EQ(target.received[0], std::make_tuple(WM_USER + 4, quintptr(0), qintptr(1)));
    EXPECT_EQ(plain.Width, 720);
    EXPECT_EQ(plain.MaxWidth, 1280);

    // One side above the maximum replaces both, even if the width shrinks.
    TBitmapFilter taller;
    taller.AdaptOutputSize(Rgb32Type(704, 600));
    EXPECT_EQ(taller.MaxWidth, 704);
    EXPECT_EQ(taller.MaxHeight, 600);

    // The first connection with a large picture: the geometry is taken after
    // the maximum has grown, and the output is announced at that size.
    ProcessPendingMessages();
    target.received.clear();
    TBitmapFilter connected;
    ConnectAndPause(connected, Rgb32Type(1280, -720));
    ProcessPendingMessages();
    EXPECT_EQ(connected.Width, 1280);
    EXPECT_EQ(connected.MaxWidth, 1280);
    EXPECT_EQ(connected.OutputStride, 1280 * 4);
    ASSERT_EQ(target.received.size(), 1u);
}

TEST_F(BitmapFilterFixture, FormatChangeInsideTheStream)
{
    Target target;
    MainWindowGuard guard(&target);
    TBitmapFilter filter;
    ConnectAndPause(filter, Rgb32Type(320, -240));
    Output output(filter, 736 * 576 * 4);

    std::vector<uint8_t> small = Frame(320, 240, 1);
    ASSERT_EQ(Send(filter, small, 0), S_OK);
    EXPECT_FALSE(output.type.has_value());

    // Within the maximum: new picture size, same announced size, no reconnection.
    const TMediaType changed = Rgb32Type(640, -480);
    std::vector<uint8_t> medium = Frame(640, 480, 2);
    ASSERT_EQ(Send(filter, medium, 400000, 400000, &changed), S_OK);
    EXPECT_EQ(filter.Width, 640);
    EXPECT_EQ(filter.Height, 480);
    EXPECT_EQ(BitmapPixel(filter, 639, 479), Pixel(479, 639, 2));
    ASSERT_TRUE(output.type.has_value());
    BITMAPINFOHEADER bih;
    ASSERT_TRUE(output.type->GetBitmapHeader(bih));
    EXPECT_EQ(bih.biWidth, 736);
    EXPECT_EQ(bih.biHeight, -576);
    RECT source, rectTarget;
    ASSERT_TRUE(output.type->GetRects(source, rectTarget));
    EXPECT_EQ(source, (RECT { 0, 0, 640, 480 }));
    EXPECT_EQ(output.sample.GetActualDataLength(), 480 * 2944);
    uint32_t out;
    std::memcpy(&out, output.memory.data() + 479 * 2944 + 639 * 4, 4);
    EXPECT_EQ(out, Pixel(479, 639, 2));
    ProcessPendingMessages();
    EXPECT_TRUE(target.received.empty());

    // Above the maximum: the output is cut to its buffer and its row width
    // until it is reconnected, and the reconnection is asked for.
    const TMediaType large = Rgb32Type(800, -600);
    std::vector<uint8_t> big = Frame(800, 600, 3);
    std::fill(output.memory.begin(), output.memory.end(), 0xAB);
    ASSERT_EQ(Send(filter, big, 800000, 400000, &large), S_OK);
    EXPECT_EQ(filter.MaxWidth, 800);
    EXPECT_EQ(filter.MaxHeight, 600);
    EXPECT_EQ(BitmapPixel(filter, 799, 599), Pixel(599, 799, 3));
    EXPECT_EQ(output.sample.GetActualDataLength(), 576 * 2944);
    std::memcpy(&out, output.memory.data() + 575 * 2944 + 735 * 4, 4);
    EXPECT_EQ(out, Pixel(575, 735, 3));
    ProcessPendingMessages();
    ASSERT_EQ(target.received.size(), 1u);
    EXPECT_EQ(std::get<2>(target.received[0]), 1);

    // A frame of another kind is not read as RGB32.
    TMediaType yuy2 = Rgb32Type(800, 600);
    yuy2.subtype = MEDIASUBTYPE_YUY2;
    std::vector<uint8_t> other(800 * 600 * 2, 0x55);
    EXPECT_EQ(Send(filter, other, 1200000, 400000, &yuy2), S_OK);
    EXPECT_EQ(BitmapPixel(filter, 799, 599), Pixel(599, 799, 3));
}

TEST_F(BitmapFilterFixture, FlipsAndMirrorOnBothRowOrders)
{
    // Input stored as rows 0..2 of 4 pixels; the expected bitmap row 0 comes
    // from input row `rowSource(0)`, its column 0 from input column `col(0)`.
    struct Case {
        bool topDown, flip, mirror;
    };
    for (const Case c : { Case { false, false, false }, Case { false, true, false },
             Case { false, false, true }, Case { false, true, true }, Case { true, false, false },
             Case { true, true, false }, Case { true, false, true }, Case { true, true, true } }) {
        SCOPED_TRACE(
            testing::Message() << "topDown " << c.topDown << " flip " << c.flip << " mirror " << c.mirror);
        TBitmapFilter filter;
        ConnectAndPause(filter, Rgb32Type(4, c.topDown ? -3 : 3));
        filter.SetVerticalFlip(c.flip);
        filter.SetHorizontalMirror(c.mirror);
        Output output(filter, 736 * 576 * 4);
        std::vector<uint8_t> frame = Frame(4, 3, 9);
        ASSERT_EQ(Send(filter, frame, 0), S_OK);
        // Upright when the stored order and the flip agree.
        const bool reversed = c.topDown == c.flip;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) {
                const uint32_t expected = Pixel(reversed ? 2 - y : y, c.mirror ? 3 - x : x, 9);
                EXPECT_EQ(BitmapPixel(filter, x, y), expected) << "at " << x << "," << y;
                uint32_t out;
                std::memcpy(&out, output.memory.data() + size_t(y) * 736 * 4 + x * 4, 4);
                EXPECT_EQ(out, expected) << "output at " << x << "," << y;
            }
    }
}

TEST_F(BitmapFilterFixture, BadSamplesNeverReadOrWritePastTheirBuffers)
{
    TBitmapFilter filter;
    ConnectAndPause(filter, Rgb32Type(64, -48));
    Output output(filter, 736 * 576 * 4);
    std::vector<uint8_t> good = Frame(64, 48, 1);
    ASSERT_EQ(Send(filter, good, 0), S_OK);

    // One row short, by the sample's length and by its memory: refused whole.
    std::vector<uint8_t> shortFrame = Frame(64, 47, 2);
    std::fill(output.memory.begin(), output.memory.end(), 0xAB);
    EXPECT_EQ(Send(filter, shortFrame, 400000), S_OK);
    EXPECT_EQ(output.delivered, 2);
    EXPECT_EQ(BitmapPixel(filter, 0, 0), Pixel(0, 0, 1));
    EXPECT_EQ(output.memory[0], 0xAB);
    std::vector<uint8_t> fullButShort = Frame(64, 48, 3);
    EXPECT_EQ(Send(filter, fullButShort, 800000, 400000, nullptr, 64 * 47 * 4), S_OK);
    EXPECT_EQ(BitmapPixel(filter, 0, 0), Pixel(0, 0, 1));

    // No memory at all.
    TMediaSample empty(nullptr, 0);
    EXPECT_EQ(filter.Receive(&empty), S_OK);
    EXPECT_EQ(BitmapPixel(filter, 0, 0), Pixel(0, 0, 1));

    // An output buffer smaller than announced is filled as far as it goes.
    Output tiny(filter, 736 * 4 * 10 + 100);
    std::vector<uint8_t> next = Frame(64, 48, 4);
    EXPECT_EQ(Send(filter, next, 1200000), S_OK);
    EXPECT_EQ(tiny.sample.GetActualDataLength(), 10 * 736 * 4);
    uint32_t out;
    std::memcpy(&out, tiny.memory.data() + 9 * 736 * 4, 4);
    EXPECT_EQ(out, Pixel(9, 0, 4));
    EXPECT_EQ(tiny.memory[10 * 736 * 4], 0xAB);

    // A picture that does not fit the announced row width is cut, not
    // spilled into the next row.
    TBitmapFilter cut;
    cut.SetMaximumSize(8, 4);
    ConnectAndPause(cut, Rgb32Type(8, -4));
    Output cutOut(cut, 8 * 4 * 4);
    const TMediaType wider = Rgb32Type(10, -4);
    std::vector<uint8_t> wide = Frame(10, 4, 5);
    EXPECT_EQ(Send(cut, wide, 0, 400000, &wider), S_OK);
    EXPECT_EQ(cut.Width, 10);
    std::memcpy(&out, cutOut.memory.data() + 8 * 4, 4);
    EXPECT_EQ(out, Pixel(1, 0, 5)); // row 1 starts where it should
}

// A converter upstream may ask about its next type while frames of the
// current one still wait in a queue between them: the connection that
// follows, with the current type, is what the next frames are copied by.
TEST_F(BitmapFilterFixture, TheConnectedTypeGivesTheGeometryWhateverWasAskedBefore)
{
    TBitmapFilter filter;
    EXPECT_EQ(filter.CheckInputType(Rgb32Type(800, -600)), S_OK);
    ConnectAndPause(filter, Rgb32Type(320, -240));
    EXPECT_EQ(filter.Width, 320);
    EXPECT_EQ(filter.Height, 240);
    Output output(filter, 800 * 600 * 4);
    std::vector<uint8_t> frame = Frame(320, 240, 0x20);
    ASSERT_EQ(Send(filter, frame, 0), S_OK);
    std::lock_guard lock(filter.Bitmap);
    ASSERT_EQ(filter.Bitmap.Width(), 320);
    EXPECT_EQ(filter.Bitmap.Image().constScanLine(239)[319 * 4 + 2], 0x20);
}

TEST_F(BitmapFilterFixture, PositionsAndFrameDuration)
{
    TBitmapFilter filter;
    filter.PositionBase = 100'000'000;
    filter.CurrentPosition = 5;
    ConnectAndPause(filter, Rgb32Type(16, -16));
    EXPECT_EQ(filter.CurrentPosition, 100'000'000); // StartStreaming
    EXPECT_EQ(filter.NextCapture, 0);
    EXPECT_TRUE(filter.GeometryPending);
    Output output(filter, 736 * 576 * 4);
    std::vector<uint8_t> frame = Frame(16, 16, 1);

    SetSharedFrameDuration(0);
    ASSERT_EQ(Send(filter, frame, 10'000'000, 333667), S_OK);
    EXPECT_EQ(filter.CurrentPosition, 110'000'000);
    EXPECT_EQ(VideoSnapshot().AvgTimePerFrame, 333667);
    // Known durations are left alone.
    ASSERT_EQ(Send(filter, frame, 20'000'000, 400000), S_OK);
    EXPECT_EQ(VideoSnapshot().AvgTimePerFrame, 333667);
    EXPECT_EQ(filter.CurrentPosition, 120'000'000);

    // Without times the position moves on by one frame duration, and the
    // output carries no times either.
    TMediaSample untimed(frame.data(), int32_t(frame.size()));
    ASSERT_EQ(filter.Receive(&untimed), S_OK);
    EXPECT_EQ(filter.CurrentPosition, 120'333'667);
    REFERENCE_TIME start, stop;
    EXPECT_EQ(output.sample.GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(BitmapPixel(filter, 15, 15), Pixel(15, 15, 1));
}

TEST_F(BitmapFilterFixture, PrecisionCaptureHoldsTheStreamOnTheFrameAtEachPoint)
{
    Target target;
    MainWindowGuard guard(&target);
    TBitmapFilter filter;
    filter.SetPrecisionInterval(0);
    EXPECT_FALSE(filter.PrecisionOn);
    ConnectAndPause(filter, Rgb32Type(32, -24));
    Output output(filter, 736 * 576 * 4);

    // Precision off: nothing is sent, whatever the position.
    std::vector<uint8_t> first = Frame(32, 24, 1);
    ASSERT_EQ(Send(filter, first, 0), S_OK);
    ASSERT_EQ(Send(filter, first, 20'000'000), S_OK);
    EXPECT_TRUE(target.received.empty());
    EXPECT_EQ(BitmapPixel(filter, 5, 5), Pixel(5, 5, 1));

    filter.SetPrecisionInterval(10'000'000);
    EXPECT_TRUE(filter.PrecisionOn);
    std::atomic<int> wrongPicture { 0 }, lockedElsewhere { 0 }, wrongThread { 0 };
    const std::thread::id mainThread = std::this_thread::get_id();
    target.during = [&](unsigned msg, quintptr, qintptr lParam) {
        if (std::this_thread::get_id() != mainThread) ++wrongThread;
        auto* bitmap = reinterpret_cast<TLockedBitmap*>(lParam);
        if (bitmap != &filter.Bitmap) return;
        if (!bitmap->try_lock()) {
            ++lockedElsewhere;
            return;
        }
        QImage copy;
        bitmap->ShareTo(copy);
        // The frame that covers the point, not the one before it.
        if (reinterpret_cast<const uint32_t*>(copy.constScanLine(5))[5] != Pixel(5, 5, 2)) ++wrongPicture;
        bitmap->unlock();
    };

    const auto runOnStream = [&](std::vector<uint8_t>& frame, REFERENCE_TIME start) {
        std::atomic<bool> done { false };
        std::thread stream([&] {
            Send(filter, frame, start);
            done = true;
        });
        QElapsedTimer timer;
        timer.start();
        while (!done && timer.elapsed() < 10000)
            ProcessPendingMessages();
        stream.join();
    };

    filter.PositionBase = 0;
    filter.NextCapture = 0; // as a new run starts
    std::vector<uint8_t> second = Frame(32, 24, 2);
    runOnStream(second, 35'000'000);
    ASSERT_EQ(target.received.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(std::get<0>(target.received[i]), WM_USER + 1);
        EXPECT_EQ(std::get<1>(target.received[i]), quintptr(i * 10'000'000));
        EXPECT_EQ(std::get<2>(target.received[i]), reinterpret_cast<qintptr>(&filter.Bitmap));
    }
    EXPECT_EQ(wrongPicture, 0);
    EXPECT_EQ(lockedElsewhere, 0);
    EXPECT_EQ(wrongThread, 0);
    EXPECT_EQ(filter.NextCapture, 40'000'000);
    EXPECT_EQ(BitmapPixel(filter, 5, 5), Pixel(5, 5, 2));

    // The next point is taken with the frame that covers it: not with the
    // frame that ends just before it, and with the one it falls inside.
    target.received.clear();
    target.during = nullptr;
    runOnStream(second, 39'600'000);
    EXPECT_TRUE(target.received.empty());
    runOnStream(second, 39'900'000);
    ASSERT_EQ(target.received.size(), 1u);
    EXPECT_EQ(std::get<1>(target.received[0]), quintptr(40'000'000));

    // A point late in a long video travels whole.
    target.received.clear();
    filter.SetPrecisionInterval(5'000'000'000);
    filter.NextCapture = 5'000'000'000;
    runOnStream(second, 5'000'000'000);
    ASSERT_EQ(target.received.size(), 1u);
    EXPECT_EQ(std::get<1>(target.received[0]), quintptr(5'000'000'000));

    // Switching precision off from a handler ends the series at once.
    target.received.clear();
    filter.SetPrecisionInterval(10'000'000);
    filter.NextCapture = 0;
    target.during = [&](unsigned, quintptr, qintptr) { filter.SetPrecisionInterval(0); };
    runOnStream(second, 100'000'000);
    EXPECT_EQ(target.received.size(), 1u);

    // A flush that releases a capture waiting for the window: that frame
    // took nothing, and the point stays for the data after the flush.
    target.received.clear();
    target.during = nullptr;
    filter.SetPrecisionInterval(10'000'000);
    {
        std::thread stream([&] { Send(filter, second, 0); });
        // The window is busy elsewhere (in a seek) and the flush comes, while
        // the send waits or before it starts: either way it is refused.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        filter.BeginFlush();
        stream.join();
        filter.EndFlush();
    }
    EXPECT_EQ(filter.NextCapture, 0);
    ProcessPendingMessages(); // the released message is not handled late
    EXPECT_TRUE(target.received.empty());
    runOnStream(second, 0);
    ASSERT_EQ(target.received.size(), 1u);
    EXPECT_EQ(std::get<1>(target.received[0]), quintptr(0));

    // A seek told before it flushes: what passes before the flush keeps the
    // old timing, what follows it is timed from the new base and a restarted
    // run takes its points from the start again.
    target.received.clear();
    filter.PositionBase = 0;
    filter.ExpectFlush(-5'000'000, true);
    runOnStream(second, 20'000'000); // still the old segment
    EXPECT_EQ(filter.CurrentPosition, 20'000'000);
    EXPECT_EQ(target.received.size(), 2u);
    filter.BeginFlush();
    filter.EndFlush();
    EXPECT_EQ(filter.PositionBase, -5'000'000);
    EXPECT_EQ(filter.NextCapture, 0);
    EXPECT_FALSE(filter.ApplyExpectedFlush()); // applied once
    target.received.clear();
    runOnStream(second, 5'000'000);
    EXPECT_EQ(filter.CurrentPosition, 0);
    ASSERT_EQ(target.received.size(), 1u);
    EXPECT_EQ(std::get<1>(target.received[0]), quintptr(0));
}

TEST_F(BitmapFilterFixture, OutlinedTextAndLinePlacement)
{
    CountingFilter filter;
    std::lock_guard lock(filter.Bitmap);
    filter.Bitmap.SetSize(400, 100);
    filter.Bitmap.SetFontHeight(20);

    filter.DrawOutlinedText(filter.Bitmap, 50, 40, QStringLiteral("Texte"), 0x00FFFFFF, 0, 0);
    ASSERT_EQ(filter.draws.size(), 1u);
    EXPECT_EQ(filter.draws[0].x, 50);
    EXPECT_EQ(filter.draws[0].y, 40);
    EXPECT_EQ(filter.draws[0].colour, 0x00FFFFFFu);

    filter.draws.clear();
    filter.DrawOutlinedText(filter.Bitmap, 50, 40, QStringLiteral("Texte"), 0x00FFFFFF, 0x00123456, 1);
    ASSERT_EQ(filter.draws.size(), 5u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(std::abs(filter.draws[i].x - 50), 1);
        EXPECT_EQ(std::abs(filter.draws[i].y - 40), 1);
        EXPECT_EQ(filter.draws[i].colour, 0x00123456u);
    }
    EXPECT_EQ(filter.draws[4].x, 50);
    EXPECT_EQ(filter.draws[4].colour, 0x00FFFFFFu);
    EXPECT_EQ(filter.Bitmap.FontColour, 0x00FFFFFFu);

    filter.draws.clear();
    filter.DrawOutlinedText(filter.Bitmap, 50, 40, QStringLiteral("Texte"), 0x00FFFFFF, 0, 2);
    ASSERT_EQ(filter.draws.size(), 13u);
    for (size_t i = 0; i < 12; ++i)
        EXPECT_GT(std::abs(filter.draws[i].x - 50) + std::abs(filter.draws[i].y - 40), 2);

    // Absurd outline sizes stay bounded; negative ones draw the text alone.
    filter.draws.clear();
    filter.DrawOutlinedText(filter.Bitmap, 0, 0, QStringLiteral("x"), 0, 0, 1000000);
    const size_t n = TBitmapFilter::MaxOutlineSize;
    EXPECT_EQ(filter.draws.size(), 2 * n * n + 2 * n + 1);
    filter.draws.clear();
    filter.DrawOutlinedText(filter.Bitmap, 0, 0, QStringLiteral("x"), 0, 0, -3);
    EXPECT_EQ(filter.draws.size(), 1u);

    // Placement of the two lines.
    const QString line1 = QStringLiteral("première ligne");
    const QString line2 = QStringLiteral("2");
    const int w1 = filter.Bitmap.TextWidth(line1);
    const int w2 = filter.Bitmap.TextWidth(line2);
    ASSERT_GT(w1, w2);
    const auto lefts = [&](int x, int alignment) {
        filter.draws.clear();
        filter.DrawInlayLines(filter.Bitmap, x, 80, 25, line1, line2, 0x00FFFFFF, 0, 0, alignment);
        std::vector<std::pair<int, int>> result;
        for (const auto& d : filter.draws)
            result.emplace_back(d.x, d.y);
        return result;
    };
    using P = std::vector<std::pair<int, int>>;
    EXPECT_EQ(lefts(300, 0), (P { { 300, 55 }, { 300, 80 } }));
    EXPECT_EQ(lefts(300, 1), (P { { 300 - w1 / 2, 55 }, { 300 - w2 / 2, 80 } }));
    EXPECT_EQ(lefts(300, 2), (P { { 300 - w1, 55 }, { 300 - w2, 80 } }));
    EXPECT_EQ(lefts(300, 3), (P { { (400 - w1) / 2, 55 }, { (400 - w2) / 2, 80 } }));
    EXPECT_EQ(lefts(7, 3), lefts(300, 3));
    EXPECT_TRUE(lefts(300, 7).empty());
    EXPECT_TRUE(lefts(300, -1).empty());
}

TEST_F(BitmapFilterFixture, TextLandsBelowItsTopInTheRightColour)
{
    TBitmapFilter filter;
    std::lock_guard lock(filter.Bitmap);
    filter.Bitmap.SetSize(200, 80);
    filter.Bitmap.Image().fill(QColor(128, 128, 128));
    filter.Bitmap.SetFontHeight(30);
    // Pure red as 0x00BBGGRR, outlined in pure blue.
    filter.DrawOutlinedText(filter.Bitmap, 20, 30, QStringLiteral("HH"), 0x000000FF, 0x00FF0000, 1);

    const QImage& image = filter.Bitmap.Image();
    int changedAbove = 0, reddish = 0, bluish = 0, lowest = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (p == qRgb(128, 128, 128)) continue;
            if (y < 29) ++changedAbove; // the outline may reach one row above
            if (qRed(p) > 200 && qBlue(p) < 60) ++reddish;
            if (qBlue(p) > 200 && qRed(p) < 60) ++bluish;
            lowest = std::max(lowest, y);
        }
    EXPECT_EQ(changedAbove, 0);
    EXPECT_GT(reddish, 20);
    EXPECT_GT(bluish, 10);
    EXPECT_LE(lowest, 30 + 30 + 1); // within the cell and its outline

    // The colour change does not bleed into the pixels' fourth byte.
    EXPECT_EQ(image.pixel(0, 0) >> 24, 0xFFu);
}

TEST_F(BitmapFilterFixture, AutomaticFontSizeAndFontHeights)
{
    TBitmapFilter filter;
    const auto autoSize = [&](int width) {
        filter.Bitmap.SetSize(width, 10);
        filter.AutoFontSize();
        return filter.Bitmap.FontHeight();
    };
    EXPECT_EQ(autoSize(720), 28);
    // The cell (ascent + descent) fits the height and fills most of it.
    EXPECT_LE(filter.Bitmap.Metrics().height(), 28);
    EXPECT_GE(filter.Bitmap.Metrics().height(), 24);
    EXPECT_EQ(autoSize(352), 16);
    EXPECT_EQ(autoSize(1920), 74);
    EXPECT_LE(filter.Bitmap.Metrics().height(), 74);
    EXPECT_GE(filter.Bitmap.Metrics().height(), 68);
    EXPECT_EQ(autoSize(0), 16);

    // A negative height is the character height itself.
    filter.Bitmap.SetFontHeight(-28);
    EXPECT_EQ(filter.Bitmap.Font().pixelSize(), 28);
    EXPECT_GT(filter.Bitmap.Metrics().height(), 28);
    filter.Bitmap.SetFontHeight(1'000'000);
    EXPECT_LE(filter.Bitmap.FontHeight(), 4096);

    // A grab shares the picture, and keeps it: the next frame is written
    // into another buffer, never into the grab's, and never copied first.
    filter.Bitmap.SetSize(8, 4);
    filter.Bitmap.Image().fill(qRgb(1, 2, 3));
    QImage grab;
    filter.Bitmap.ShareTo(grab);
    ASSERT_EQ(grab.size(), QSize(8, 4));
    const uchar* first = grab.constBits();
    EXPECT_EQ(std::as_const(filter.Bitmap.Image()).constBits(), first);
    ASSERT_TRUE(filter.Bitmap.PrepareOverwrite());
    filter.Bitmap.Image().fill(qRgb(4, 5, 6));
    EXPECT_NE(std::as_const(filter.Bitmap.Image()).constBits(), first);
    EXPECT_EQ(grab.pixel(7, 3), qRgb(1, 2, 3));
    // Once the grab lets go, its buffer takes a later frame.
    QImage second;
    filter.Bitmap.ShareTo(second);
    grab = QImage();
    ASSERT_TRUE(filter.Bitmap.PrepareOverwrite());
    EXPECT_EQ(std::as_const(filter.Bitmap.Image()).constBits(), first);
    EXPECT_EQ(second.pixel(0, 0), qRgb(4, 5, 6));
    // A picture nobody else holds is written where it is.
    second = QImage();
    ASSERT_TRUE(filter.Bitmap.PrepareOverwrite());
    EXPECT_EQ(std::as_const(filter.Bitmap.Image()).constBits(), first);
    filter.Bitmap.Image().fill(qRgb(1, 2, 3));
    // Resizing to the same size keeps the picture.
    EXPECT_TRUE(filter.Bitmap.SetSize(8, 4));
    EXPECT_EQ(filter.Bitmap.Image().pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_TRUE(filter.Bitmap.SetSize(0, 0));
    filter.Bitmap.ShareTo(grab);
    EXPECT_TRUE(grab.isNull());
}
