// The filter bases driven directly, as the GStreamer adapter drives them:
// connection, state changes and the two Receive algorithms.

#include "filters/TBCTransInPlaceFilter.h"
#include "filters/TBCTransformFilter.h"
#include "graph/MediaTypeGuids.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace
{

const GUID kTestClass { 0x11111111, 0x2222, 0x3333, { 1, 2, 3, 4, 5, 6, 7, 8 } };

TMediaType Rgb32Type(int width, int height)
{
    TMediaType mt(MEDIATYPE_Video, MEDIASUBTYPE_RGB32, FORMAT_VideoInfo);
    VIDEOINFOHEADER vih;
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = -height;
    vih.bmiHeader.biBitCount = 32;
    vih.bmiHeader.biSizeImage = uint32_t(width * height * 4);
    mt.SetFormatBlock(vih);
    mt.lSampleSize = vih.bmiHeader.biSizeImage;
    mt.bFixedSizeSamples = true;
    return mt;
}

// A transform whose answers the test chooses, counting what the base calls.
class TestTransform : public TBCTransformFilter
{
public:
    TestTransform()
        : TBCTransformFilter(QStringLiteral("test transform"), kTestClass)
    {
    }
    HRESULT Transform(TMediaSample* in, TMediaSample* out) override
    {
        ++transforms;
        if (throwInTransform) throw std::runtime_error("boom");
        if (out->GetSize() >= in->GetActualDataLength() && in->GetActualDataLength() > 0)
            out->Pointer()[0] = uint8_t(in->Pointer()[0] + 1);
        return transformResult;
    }
    HRESULT CheckInputType(const TMediaType& mt) override
    {
        return mt.subtype == MEDIASUBTYPE_RGB32 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT CheckTransform(const TMediaType& in, const TMediaType& out) override
    {
        return in.subtype == out.subtype ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DecideBufferSize(TMemAllocator& allocator, ALLOCATOR_PROPERTIES& request) override
    {
        lastRequest = request;
        ALLOCATOR_PROPERTIES actual;
        const HRESULT hr = allocator.SetProperties(request, actual);
        if (FAILED(hr)) return hr;
        return actual.cbBuffer < request.cbBuffer ? E_FAIL : S_OK;
    }
    HRESULT GetMediaType(int position, TMediaType& mt) override
    {
        if (position < 0) return E_INVALIDARG;
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        return InputPin()->ConnectionMediaType(mt);
    }
    HRESULT StartStreaming() override
    {
        ++starts;
        return startResult;
    }
    HRESULT StopStreaming() override
    {
        ++stops;
        return S_OK;
    }
    HRESULT BreakConnect(PIN_DIRECTION direction) override
    {
        ++breaks[direction];
        return S_OK;
    }

    HRESULT transformResult = S_OK;
    bool throwInTransform = false;
    HRESULT startResult = S_OK;
    int transforms = 0, starts = 0, stops = 0;
    int breaks[2] = { 0, 0 };
    ALLOCATOR_PROPERTIES lastRequest;
};

class TestInPlace : public TBCTransInPlaceFilter
{
public:
    TestInPlace()
        : TBCTransInPlaceFilter(QStringLiteral("test in place"), kTestClass)
    {
    }
    HRESULT Transform(TMediaSample* sample) override
    {
        seen.push_back(sample);
        if (sample->GetActualDataLength() > 0) sample->Pointer()[0] ^= 0xFF;
        return result;
    }
    HRESULT CheckInputType(const TMediaType& mt) override
    {
        return mt.majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT result = S_OK;
    std::vector<TMediaSample*> seen;
};

// Binds the delivery functions of a filter to plain memory and records what
// comes out.
struct Downstream {
    std::vector<uint8_t> memory = std::vector<uint8_t>(64);
    TMediaSample outSample;
    std::vector<TMediaSample> delivered;
    int bufferRequests = 0, qualityChanges = 0, endOfStreams = 0;
    HRESULT deliverResult = S_OK;

    void Bind(TBCTransformFilter& f)
    {
        f.GetDeliveryBuffer = [this](TMediaSample*& out, const TMediaSample*) {
            ++bufferRequests;
            outSample = TMediaSample(memory.data(), int32_t(memory.size()));
            out = &outSample;
            return S_OK;
        };
        f.Deliver = [this](TMediaSample* s) {
            delivered.push_back(*s);
            return deliverResult;
        };
        f.NotifyQualityChange = [this] { ++qualityChanges; };
        f.DeliverEndOfStream = [this] {
            ++endOfStreams;
            return S_OK;
        };
    }
};

template <class F> void ConnectBoth(F& f, const TMediaType& mt)
{
    ASSERT_EQ(f.ConnectInput(mt), S_OK);
    TMediaType out;
    ASSERT_EQ(f.ProposeOutputType(out), S_OK);
    ASSERT_EQ(f.ConnectOutput(out), S_OK);
}

} // namespace

TEST(FilterBase, SampleTimesFlagsAndBounds)
{
    uint8_t bytes[16] = {};
    TMediaSample s(bytes, 16, 10);
    EXPECT_EQ(s.GetActualDataLength(), 10);
    EXPECT_EQ(s.SetActualDataLength(17), E_INVALIDARG);
    EXPECT_EQ(s.SetActualDataLength(-1), E_INVALIDARG);
    EXPECT_EQ(s.GetActualDataLength(), 10);
    // A length beyond the buffer is cut to it; no memory means no room.
    EXPECT_EQ(TMediaSample(bytes, 16, 99).GetActualDataLength(), 16);
    EXPECT_EQ(TMediaSample(nullptr, 100).GetSize(), 0);

    REFERENCE_TIME start = -1, stop = -1;
    EXPECT_EQ(s.GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    const REFERENCE_TIME t0 = 400000, t1 = 800000;
    s.SetTime(&t0, nullptr);
    EXPECT_EQ(s.GetTime(&start, &stop), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(start, t0);
    EXPECT_EQ(stop, t0 + 1);
    s.SetTime(&t0, &t1);
    EXPECT_EQ(s.GetTime(&start, &stop), S_OK);
    EXPECT_EQ(stop, t1);
    s.SetTime(nullptr, &t1);
    EXPECT_EQ(s.GetTime(&start, &stop), VFW_E_SAMPLE_TIME_NOT_SET);
    EXPECT_EQ(s.GetTime(nullptr, &stop), E_POINTER);

    int64_t m0 = 0, m1 = 0;
    EXPECT_TRUE(FAILED(s.GetMediaTime(&m0, &m1)));
    const int64_t a = 5, b = 6;
    s.SetMediaTime(&a, &b);
    EXPECT_EQ(s.GetMediaTime(&m0, &m1), S_OK);
    EXPECT_EQ(m1, 6);

    TMediaType got;
    EXPECT_EQ(s.GetMediaType(got), S_FALSE);
    const TMediaType mt = Rgb32Type(4, 2);
    s.SetMediaType(&mt);
    EXPECT_EQ(s.GetMediaType(got), S_OK);
    EXPECT_EQ(got, mt);
    s.SetMediaType(nullptr);
    EXPECT_EQ(s.MediaType(), nullptr);
}

TEST(FilterBase, PinsNamesAndLookup)
{
    TestTransform t;
    ASSERT_NE(t.GetPin(0), nullptr);
    EXPECT_EQ(t.GetPin(0)->Name(), "XForm In");
    EXPECT_EQ(t.GetPin(1)->Name(), "XForm Out");
    EXPECT_EQ(t.GetPin(0)->ObjectName(), "Transform input pin");
    EXPECT_EQ(t.GetPin(1)->ObjectName(), "Transform output pin");
    EXPECT_EQ(t.GetPin(0)->Direction(), PINDIR_INPUT);
    EXPECT_EQ(t.GetPin(1)->Direction(), PINDIR_OUTPUT);
    EXPECT_EQ(t.GetPin(2), nullptr);
    EXPECT_EQ(t.GetPin(-1), nullptr);
    EXPECT_EQ(t.GetPin(0), t.InputPin()); // made once

    TBCBasePin* pin = reinterpret_cast<TBCBasePin*>(1);
    EXPECT_EQ(t.FindPin("In", &pin), S_OK);
    EXPECT_EQ(pin, t.InputPin());
    EXPECT_EQ(t.FindPin("Out", &pin), S_OK);
    EXPECT_EQ(pin, t.OutputPin());
    EXPECT_EQ(t.FindPin("XForm In", &pin), VFW_E_NOT_FOUND);
    EXPECT_EQ(pin, nullptr);
    EXPECT_EQ(t.FindPin("in", &pin), VFW_E_NOT_FOUND);

    TestInPlace p;
    EXPECT_EQ(p.GetPin(0)->Name(), "Input");
    EXPECT_EQ(p.GetPin(1)->Name(), "Output");
    EXPECT_EQ(p.GetPin(0)->ObjectName(), "TransInPlace input pin");
    EXPECT_EQ(p.GetPin(1)->ObjectName(), "TransInPlace output pin");
}

TEST(FilterBase, ConnectionRulesAndBufferRequest)
{
    TestTransform t;
    TMediaType got;
    EXPECT_EQ(t.InputPin()->ConnectionMediaType(got), VFW_E_NOT_CONNECTED);
    // The output cannot connect before the input.
    EXPECT_EQ(t.ConnectOutput(Rgb32Type(8, 8)), VFW_E_NOT_CONNECTED);

    TMediaType rgb24(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo);
    EXPECT_EQ(t.ConnectInput(rgb24), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_FALSE(t.InputPin()->IsConnected());
    EXPECT_EQ(t.breaks[PINDIR_INPUT], 1);

    const TMediaType in = Rgb32Type(16, 8);
    t.InputPin()->Allocator().Properties.cBuffers = 3;
    ASSERT_EQ(t.ConnectInput(in), S_OK);
    EXPECT_EQ(t.ConnectInput(in), VFW_E_ALREADY_CONNECTED);
    ASSERT_EQ(t.InputPin()->ConnectionMediaType(got), S_OK);
    EXPECT_EQ(got, in);

    // A type the filter's CheckTransform refuses leaves the output free.
    EXPECT_EQ(t.ConnectOutput(rgb24), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_FALSE(t.OutputPin()->IsConnected());

    // A pool that grants less than asked makes DecideBufferSize fail, and
    // with it the connection.
    t.OutputPin()->Allocator().Limit.cbBuffer = 100;
    EXPECT_EQ(t.ConnectOutput(in), E_FAIL);
    EXPECT_FALSE(t.OutputPin()->IsConnected());
    t.OutputPin()->Allocator().Limit = ALLOCATOR_PROPERTIES();

    ASSERT_EQ(t.ConnectOutput(in), S_OK);
    EXPECT_EQ(t.lastRequest.cBuffers, 3);
    EXPECT_EQ(t.lastRequest.cbBuffer, 16 * 8 * 4);
    EXPECT_EQ(t.OutputPin()->Allocator().Properties.cbBuffer, 16 * 8 * 4);

    t.DisconnectOutput();
    EXPECT_FALSE(t.OutputPin()->IsConnected());
    EXPECT_EQ(t.breaks[PINDIR_OUTPUT], 3);
    EXPECT_EQ(t.OutputPin()->Allocator().Properties.cbBuffer, 0);
}

TEST(FilterBase, PauseAndStopCallStreamingHooksOncePerRun)
{
    TestTransform t;
    Downstream d;
    d.Bind(t);

    // Input unconnected: end of stream once, paused, no streaming hooks.
    EXPECT_EQ(t.Pause(), S_OK);
    EXPECT_EQ(t.State(), State_Paused);
    EXPECT_EQ(d.endOfStreams, 1);
    EXPECT_EQ(t.Stop(), S_OK);
    EXPECT_EQ(t.Pause(), S_OK);
    EXPECT_EQ(d.endOfStreams, 2);
    EXPECT_EQ(t.Pause(), S_OK);
    EXPECT_EQ(d.endOfStreams, 2);
    t.Stop();
    EXPECT_EQ(t.starts + t.stops, 0);

    ConnectBoth(t, Rgb32Type(4, 4));
    t.startResult = E_FAIL;
    EXPECT_EQ(t.Pause(), E_FAIL);
    EXPECT_EQ(t.State(), State_Stopped);
    t.startResult = S_OK;

    EXPECT_EQ(t.Pause(), S_OK);
    EXPECT_EQ(t.Run(), S_OK);
    EXPECT_EQ(t.Pause(), S_OK);
    EXPECT_EQ(t.State(), State_Paused);
    EXPECT_EQ(t.starts, 2); // the failed one and one for this run
    EXPECT_TRUE(t.InputPin()->Allocator().Committed);
    EXPECT_EQ(t.Stop(), S_OK);
    EXPECT_EQ(t.Stop(), S_OK);
    EXPECT_EQ(t.stops, 1);
    EXPECT_FALSE(t.OutputPin()->Allocator().Committed);

    // Run from stopped goes through Pause.
    EXPECT_EQ(t.Run(), S_OK);
    EXPECT_EQ(t.State(), State_Running);
    EXPECT_EQ(t.starts, 3);
}

TEST(FilterBase, TransformReceiveDeliversDropsAndFails)
{
    TestTransform t;
    Downstream d;
    d.Bind(t);
    ConnectBoth(t, Rgb32Type(4, 4));

    uint8_t bytes[8] = { 41 };
    TMediaSample in(bytes, 8);
    const REFERENCE_TIME start = 400000, stop = 800000;
    const int64_t mediaStart = 10, mediaStop = 11;
    in.SetTime(&start, &stop);
    in.SetMediaTime(&mediaStart, &mediaStop);
    in.SetSyncPoint(true);
    in.SetPreroll(true);
    in.SetDiscontinuity(true);

    // Not before the run has started.
    EXPECT_EQ(t.Receive(&in), VFW_E_WRONG_STATE);
    EXPECT_EQ(t.transforms, 0);
    ASSERT_EQ(t.Run(), S_OK);

    ASSERT_EQ(t.Receive(&in), S_OK);
    ASSERT_EQ(d.delivered.size(), 1u);
    const TMediaSample& out = d.delivered[0];
    REFERENCE_TIME s = 0, e = 0;
    EXPECT_EQ(out.GetTime(&s, &e), S_OK);
    EXPECT_EQ(s, start);
    EXPECT_EQ(e, stop);
    int64_t ms = 0, me = 0;
    EXPECT_EQ(out.GetMediaTime(&ms, &me), S_OK);
    EXPECT_EQ(ms, mediaStart);
    EXPECT_EQ(out.IsSyncPoint(), S_OK);
    EXPECT_EQ(out.IsPreroll(), S_OK);
    EXPECT_EQ(out.IsDiscontinuity(), S_OK);
    EXPECT_EQ(out.Pointer()[0], 42);

    // Flags that are off are off on the output too, even if the recycled
    // output buffer had them.
    in.SetSyncPoint(false);
    in.SetPreroll(false);
    in.SetDiscontinuity(false);
    in.SetTime(nullptr, nullptr);
    ASSERT_EQ(t.Receive(&in), S_OK);
    ASSERT_EQ(d.delivered.size(), 2u);
    EXPECT_EQ(d.delivered[1].IsSyncPoint(), S_FALSE);
    EXPECT_EQ(d.delivered[1].IsDiscontinuity(), S_FALSE);
    EXPECT_EQ(d.delivered[1].GetTime(&s, &e), VFW_E_SAMPLE_TIME_NOT_SET);

    // Dropped samples: success upstream, one quality change per gap.
    t.transformResult = S_FALSE;
    EXPECT_EQ(t.Receive(&in), S_OK);
    EXPECT_EQ(t.Receive(&in), S_OK);
    EXPECT_EQ(d.delivered.size(), 2u);
    EXPECT_TRUE(t.SampleSkipped());
    EXPECT_EQ(d.qualityChanges, 1);
    t.transformResult = S_OK;
    EXPECT_EQ(t.Receive(&in), S_OK);
    EXPECT_FALSE(t.SampleSkipped());
    t.transformResult = S_FALSE;
    EXPECT_EQ(t.Receive(&in), S_OK);
    EXPECT_EQ(d.qualityChanges, 2);

    // Failures go upstream and deliver nothing; an exception is a failure.
    const size_t count = d.delivered.size();
    t.transformResult = E_OUTOFMEMORY;
    EXPECT_EQ(t.Receive(&in), E_OUTOFMEMORY);
    t.throwInTransform = true;
    EXPECT_EQ(t.Receive(&in), E_FAIL);
    t.throwInTransform = false;
    t.transformResult = S_OK;
    d.deliverResult = E_UNEXPECTED;
    EXPECT_EQ(t.Receive(&in), E_UNEXPECTED);
    d.deliverResult = S_OK;
    t.GetDeliveryBuffer = [](TMediaSample*&, const TMediaSample*) { return VFW_E_NO_ALLOCATOR; };
    const int transforms = t.transforms;
    EXPECT_EQ(t.Receive(&in), VFW_E_NO_ALLOCATOR);
    EXPECT_EQ(t.transforms, transforms);
    EXPECT_EQ(d.delivered.size(), count + 1);

    // A control sample goes on as it is, without a transform.
    in.StreamId = 7;
    EXPECT_EQ(t.Receive(&in), S_OK);
    EXPECT_EQ(t.transforms, transforms);
    EXPECT_EQ(d.delivered.back().StreamId, 7u);
    EXPECT_EQ(d.delivered.back().Pointer(), bytes);

    // During a flush samples are refused without a transform.
    in.StreamId = 0;
    t.BeginFlush();
    EXPECT_EQ(t.Receive(&in), S_FALSE);
    t.EndFlush();
    EXPECT_EQ(t.transforms, transforms);
}

TEST(FilterBase, InPlaceReceiveWorksOnTheSampleOrACopy)
{
    TestInPlace p;
    Downstream d;
    d.Bind(p);
    TMediaType proposed;
    EXPECT_EQ(p.ProposeOutputType(proposed), E_UNEXPECTED);
    const TMediaType mt = Rgb32Type(2, 2);
    p.InputPin()->Allocator().Properties = { 2, 3000000, 1, 0 };
    ASSERT_EQ(p.ConnectInput(mt), S_OK);
    // The output must carry the input's type.
    EXPECT_EQ(p.ConnectOutput(Rgb32Type(4, 4)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_FALSE(p.OutputPin()->IsConnected());
    ASSERT_EQ(p.ConnectOutput(mt), S_OK);
    EXPECT_EQ(p.OutputPin()->Allocator().Properties.cbBuffer, 3000000);
    EXPECT_EQ(p.OutputPin()->Allocator().Properties.cBuffers, 2);

    // A new input type drops the output connected with the old one.
    p.DisconnectInput();
    ASSERT_EQ(p.ConnectInput(Rgb32Type(4, 4)), S_OK);
    EXPECT_FALSE(p.OutputPin()->IsConnected());
    ASSERT_EQ(p.ConnectOutput(Rgb32Type(4, 4)), S_OK);
    ASSERT_EQ(p.Pause(), S_OK);

    uint8_t bytes[4] = { 0x0F, 1, 2, 3 };
    TMediaSample in(bytes, 4);
    ASSERT_EQ(p.Receive(&in), S_OK);
    ASSERT_EQ(p.seen.size(), 1u);
    EXPECT_EQ(p.seen[0], &in);
    EXPECT_EQ(bytes[0], 0xF0);
    EXPECT_EQ(d.bufferRequests, 0);
    ASSERT_EQ(d.delivered.size(), 1u);

    // With copies, the transform works on the output buffer and the input
    // stays as it was.
    p.CopyToOutput = true;
    const REFERENCE_TIME t0 = 1234;
    in.SetTime(&t0, nullptr);
    ASSERT_EQ(p.Receive(&in), S_OK);
    EXPECT_EQ(d.bufferRequests, 1);
    EXPECT_EQ(p.seen.back(), &d.outSample);
    EXPECT_EQ(bytes[0], 0xF0);
    EXPECT_EQ(d.memory[0], 0x0F);
    EXPECT_EQ(d.memory[3], 3);
    EXPECT_EQ(d.delivered.back().GetActualDataLength(), 4);
    REFERENCE_TIME s = 0, e = 0;
    EXPECT_EQ(d.delivered.back().GetTime(&s, &e), VFW_S_NO_STOP_TIME);
    EXPECT_EQ(s, t0);

    // An output buffer too small for the data is a failure, not an overrun.
    d.memory.assign(2, 0);
    EXPECT_EQ(p.Receive(&in), E_UNEXPECTED);
    d.memory.assign(64, 0);

    p.result = S_FALSE;
    const size_t count = d.delivered.size();
    EXPECT_EQ(p.Receive(&in), S_OK);
    EXPECT_EQ(d.delivered.size(), count);
    EXPECT_EQ(d.qualityChanges, 1);
    p.result = E_FAIL;
    EXPECT_EQ(p.Receive(&in), E_FAIL);

    in.StreamId = 3;
    const size_t seen = p.seen.size();
    EXPECT_EQ(p.Receive(&in), S_OK);
    EXPECT_EQ(p.seen.size(), seen);
    EXPECT_EQ(d.delivered.back().StreamId, 3u);
}
