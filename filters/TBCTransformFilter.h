#pragma once
// A transform filter with separate input and output samples. Subclasses fill
// the hooks; the base owns the pins, the locks, the state and the Receive
// algorithm. Whoever runs the filter (the GStreamer adapter, or a test) calls
// the driving operations at the bottom; the filter's own logic sees only
// media type records and samples.

#include "filters/TBCBaseFilter.h"
#include "filters/TMediaSample.h"

#include <QMutex>
#include <atomic>
#include <functional>
#include <memory>

class TBCTransformFilter : public TBCBaseFilter
{
public:
    TBCTransformFilter(const QString& objectName, const GUID& classId);
    ~TBCTransformFilter() override;

    int GetPinCount() override { return 2; }
    TBCBasePin* GetPin(int n) override; // pins are made on first request
    TBCBasePin* InputPin() { return GetPin(0); }
    TBCBasePin* OutputPin() { return GetPin(1); }

    // ---- hooks, in the order of the base's virtual slots ----
    virtual HRESULT Transform(TMediaSample* in, TMediaSample* out); // E_UNEXPECTED
    virtual HRESULT CheckInputType(const TMediaType& mt) = 0;
    virtual HRESULT CheckTransform(const TMediaType& in, const TMediaType& out) = 0;
    virtual HRESULT DecideBufferSize(TMemAllocator& allocator, ALLOCATOR_PROPERTIES& request) = 0;
    virtual HRESULT GetMediaType(int position, TMediaType& mt) = 0;
    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }
    virtual HRESULT AlterQuality() { return S_FALSE; }
    virtual HRESULT SetMediaType(PIN_DIRECTION direction, const TMediaType& mt) { return S_OK; }
    virtual HRESULT CheckConnect(PIN_DIRECTION direction) { return S_OK; }
    virtual HRESULT BreakConnect(PIN_DIRECTION direction) { return S_OK; }
    virtual HRESULT CompleteConnect(PIN_DIRECTION direction) { return S_OK; }
    // Whether a type would be taken, asked from outside the stream (a query
    // that may overtake frames still queued upstream of the filter). It must
    // change nothing: a filter whose CheckInputType prepares for the type
    // answers here without preparing.
    virtual HRESULT QueryAccept(const TMediaType& mt) { return CheckInputType(mt); }
    // A sample is taken only between Pause and Stop and outside a flush
    // (VFW_E_WRONG_STATE when stopped, S_FALSE while flushing).
    virtual HRESULT Receive(TMediaSample* in);
    virtual HRESULT InitializeOutputSample(TMediaSample* in, TMediaSample*& out);
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    // The stream position where the current segment starts: sample times
    // count from it and begin again at every seek, so a sample's place in
    // the stream is its start plus this.
    REFERENCE_TIME SegmentTime() const { return m_segmentTime.load(); }

    // Held while a sample is received and while streaming starts or stops.
    QRecursiveMutex& ReceiveLock() { return m_receiveLock; }
    // Samples that reached Receive since the filter was made: a sign that
    // the stream moves, for those who wait for it.
    uint64_t SamplesReceived() const { return m_samplesReceived.load(); }

    // ---- driving operations ----

    // Connection. Each returns the hooks' answer; on failure the pin stays
    // unconnected.
    //  input:  CheckConnect, CheckInputType, SetMediaType, CompleteConnect
    //  output: CheckConnect, CheckTransform(input type, mt), SetMediaType,
    //          DecideBufferSize on the output allocator, CompleteConnect
    HRESULT ConnectInput(const TMediaType& mt);
    HRESULT ConnectOutput(const TMediaType& mt);
    void DisconnectInput(); // BreakConnect, then unconnected
    void DisconnectOutput();

    // The output type this filter would offer for the connected input,
    // i.e. GetMediaType(0) (used to negotiate downstream).
    HRESULT ProposeOutputType(TMediaType& out) { return GetMediaType(0, out); }

    // State: Pause from stopped calls StartStreaming under the receive lock
    // when both pins are connected (with the input unconnected, end of
    // stream is delivered once); a failure keeps the state. Stop calls
    // StopStreaming under the receive lock.
    HRESULT Pause();
    HRESULT Run();
    HRESULT Stop();

    // Where output goes. The adapter binds these; tests bind recorders.
    // GetDeliveryBuffer: an output sample of at least the allocator's size
    // (the base owns none); Deliver: hand a sample downstream.
    std::function<HRESULT(TMediaSample*& out, const TMediaSample* in)> GetDeliveryBuffer;
    std::function<HRESULT(TMediaSample* out)> Deliver;
    std::function<HRESULT()> DeliverEndOfStream;
    std::function<HRESULT()> DeliverBeginFlush;
    std::function<HRESULT()> DeliverEndFlush;
    std::function<HRESULT(REFERENCE_TIME, REFERENCE_TIME, double)> DeliverNewSegment;
    // The quality-change event sent to the graph once after a dropped sample.
    std::function<void()> NotifyQualityChange;

    // Counters kept by Receive.
    bool SampleSkipped() const { return m_sampleSkipped; }
    bool QualityChanged() const { return m_qualityChanged; }

protected:
    // Pin names; the in-place base renames them.
    virtual QString InputPinName() const { return QStringLiteral("XForm In"); }
    virtual QString OutputPinName() const { return QStringLiteral("XForm Out"); }
    virtual QString InputPinObjectName() const { return QStringLiteral("Transform input pin"); }
    virtual QString OutputPinObjectName() const { return QStringLiteral("Transform output pin"); }

    bool m_sampleSkipped = false;
    bool m_qualityChanged = false;

    // S_OK when a sample may be received now (see Receive).
    HRESULT CheckStreaming() const;
    // The rule shared by both Receive algorithms once the transform has
    // answered: S_OK delivers `out`, S_FALSE drops it (quality change sent
    // once until a sample is delivered again) and answers S_OK, anything
    // else is returned as it is.
    HRESULT FinishReceive(HRESULT transformResult, TMediaSample* out);
    // Runs a hook so that no exception escapes it: one is answered E_FAIL.
    template <class F> static HRESULT CallHook(F&& hook) noexcept
    {
        try {
            return hook();
        } catch (...) {
            return E_FAIL;
        }
    }

private:
    void SetAllocatorsCommitted(bool on);

    std::unique_ptr<TBCBasePin> m_input;
    std::unique_ptr<TBCBasePin> m_output;
    // Lock order: the filter lock, then this receive lock, then the bitmap
    // lock of a bitmap filter, then SharedRecordLock. A bitmap filter sends
    // its capture message holding this receive lock (inside Receive); the UI
    // thread takes it only when the element stops, which first releases that
    // capture (ReleaseStreamingWaits).
    QRecursiveMutex m_receiveLock;
    std::atomic<REFERENCE_TIME> m_segmentTime { 0 };
    std::atomic<bool> m_flushing { false };
    std::atomic<uint64_t> m_samplesReceived { 0 };
    bool m_eosDelivered = false;
};
