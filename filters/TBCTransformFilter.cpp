#include "filters/TBCTransformFilter.h"

#include <QMutexLocker>
#include <algorithm>

TBCTransformFilter::TBCTransformFilter(const QString& objectName, const GUID& classId)
    : TBCBaseFilter(objectName, classId)
{
}

TBCTransformFilter::~TBCTransformFilter() = default;

TBCBasePin* TBCTransformFilter::GetPin(int n)
{
    if (n != 0 && n != 1) return nullptr;
    {
        // Both pins at once, and not in the constructor: their names come
        // from virtuals that a derived class overrides.
        QMutexLocker lock(&FilterLock());
        if (!m_input) {
            m_input = std::make_unique<TBCBasePin>(this, PINDIR_INPUT, InputPinName(), InputPinObjectName());
            m_output
                = std::make_unique<TBCBasePin>(this, PINDIR_OUTPUT, OutputPinName(), OutputPinObjectName());
        }
    }
    return n == 0 ? m_input.get() : m_output.get();
}

HRESULT TBCTransformFilter::Transform(TMediaSample*, TMediaSample*)
{
    return E_UNEXPECTED;
}

HRESULT TBCTransformFilter::CheckStreaming() const
{
    if (m_state == State_Stopped) return VFW_E_WRONG_STATE;
    if (m_flushing) return S_FALSE;
    return S_OK;
}

HRESULT TBCTransformFilter::FinishReceive(HRESULT hr, TMediaSample* out)
{
    if (hr == S_OK) {
        hr = Deliver ? CallHook([&] { return Deliver(out); }) : VFW_E_NOT_CONNECTED;
        m_sampleSkipped = false;
        m_qualityChanged = false;
        return hr;
    }
    if (hr == S_FALSE) {
        m_sampleSkipped = true;
        if (!m_qualityChanged) {
            m_qualityChanged = true;
            if (NotifyQualityChange)
                CallHook([&] {
                    NotifyQualityChange();
                    return S_OK;
                });
        }
        return S_OK;
    }
    return hr;
}

HRESULT TBCTransformFilter::Receive(TMediaSample* in)
{
    if (!in) return E_POINTER;
    ++m_samplesReceived;
    QMutexLocker lock(&m_receiveLock);
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;

    if (in->StreamId != 0) return Deliver ? CallHook([&] { return Deliver(in); }) : VFW_E_NOT_CONNECTED;

    TMediaSample* out = nullptr;
    hr = CallHook([&] { return InitializeOutputSample(in, out); });
    if (FAILED(hr)) return hr;
    if (!out) return E_UNEXPECTED;
    hr = CallHook([&] { return Transform(in, out); });
    return FinishReceive(hr, out);
}

HRESULT TBCTransformFilter::InitializeOutputSample(TMediaSample* in, TMediaSample*& out)
{
    out = nullptr;
    if (!GetDeliveryBuffer) return VFW_E_NOT_CONNECTED;
    TMediaSample* sample = nullptr;
    HRESULT hr = GetDeliveryBuffer(sample, in);
    if (FAILED(hr)) return hr;
    if (!sample) return E_UNEXPECTED;

    REFERENCE_TIME start = 0, stop = 0;
    hr = in->GetTime(&start, &stop);
    if (hr == S_OK)
        sample->SetTime(&start, &stop);
    else if (hr == VFW_S_NO_STOP_TIME)
        sample->SetTime(&start, nullptr);
    else
        sample->SetTime(nullptr, nullptr);

    int64_t mediaStart = 0, mediaStop = 0;
    if (in->GetMediaTime(&mediaStart, &mediaStop) == S_OK)
        sample->SetMediaTime(&mediaStart, &mediaStop);
    else
        sample->SetMediaTime(nullptr, nullptr);

    sample->SetSyncPoint(in->IsSyncPoint() == S_OK);
    sample->SetPreroll(in->IsPreroll() == S_OK);
    sample->SetDiscontinuity(in->IsDiscontinuity() == S_OK);
    // A discontinuity passed on tells downstream what a skip would have.
    if (in->IsDiscontinuity() == S_OK) m_sampleSkipped = false;
    sample->StreamId = 0;
    sample->TypeSpecificFlags = in->TypeSpecificFlags;
    out = sample;
    return S_OK;
}

HRESULT TBCTransformFilter::EndOfStream()
{
    QMutexLocker lock(&m_receiveLock);
    const HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    return DeliverEndOfStream ? CallHook([&] { return DeliverEndOfStream(); }) : S_OK;
}

HRESULT TBCTransformFilter::BeginFlush()
{
    // No receive lock: the flush is what frees a Receive blocked downstream.
    m_flushing = true;
    return DeliverBeginFlush ? CallHook([&] { return DeliverBeginFlush(); }) : S_OK;
}

HRESULT TBCTransformFilter::EndFlush()
{
    const HRESULT hr = DeliverEndFlush ? CallHook([&] { return DeliverEndFlush(); }) : S_OK;
    m_flushing = false;
    return hr;
}

HRESULT TBCTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    QMutexLocker lock(&m_receiveLock);
    m_segmentTime = start;
    return DeliverNewSegment ? CallHook([&] { return DeliverNewSegment(start, stop, rate); }) : S_OK;
}

HRESULT TBCTransformFilter::ConnectInput(const TMediaType& mt)
{
    QMutexLocker lock(&FilterLock());
    TBCBasePin* input = InputPin();
    TBCBasePin* output = OutputPin();
    if (input->IsConnected()) return VFW_E_ALREADY_CONNECTED;

    const auto fail = [&](HRESULT hr) {
        CallHook([&] { return BreakConnect(PINDIR_INPUT); });
        input->ClearConnection();
        return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
    };
    HRESULT hr = CallHook([&] { return CheckConnect(PINDIR_INPUT); });
    if (FAILED(hr)) return fail(hr);
    hr = CallHook([&] { return CheckInputType(mt); });
    if (hr != S_OK) return fail(hr);
    if (output->IsConnected()) {
        const TMediaType outType = output->CurrentMediaType();
        hr = CallHook([&] { return CheckTransform(mt, outType); });
        if (hr != S_OK) return fail(hr);
    }
    // The pin holds the type before SetMediaType, so that the hook can amend
    // the connection type through the pin.
    input->SetConnection(mt);
    hr = CallHook([&] { return SetMediaType(PINDIR_INPUT, input->CurrentMediaType()); });
    if (FAILED(hr)) return fail(hr);
    hr = CallHook([&] { return CompleteConnect(PINDIR_INPUT); });
    if (FAILED(hr)) return fail(hr);
    if (m_state != State_Stopped) input->Allocator().Committed = true;
    return S_OK;
}

HRESULT TBCTransformFilter::ConnectOutput(const TMediaType& mt)
{
    QMutexLocker lock(&FilterLock());
    TBCBasePin* input = InputPin();
    TBCBasePin* output = OutputPin();
    if (output->IsConnected()) return VFW_E_ALREADY_CONNECTED;
    // The output type is derived from the input's: without one there is
    // nothing to check it against.
    if (!input->IsConnected()) return VFW_E_NOT_CONNECTED;

    const auto fail = [&](HRESULT hr) {
        CallHook([&] { return BreakConnect(PINDIR_OUTPUT); });
        output->ClearConnection();
        return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
    };
    HRESULT hr = CallHook([&] { return CheckConnect(PINDIR_OUTPUT); });
    if (FAILED(hr)) return fail(hr);
    const TMediaType inType = input->CurrentMediaType();
    hr = CallHook([&] { return CheckTransform(inType, mt); });
    if (hr != S_OK) return fail(hr);
    output->SetConnection(mt);
    hr = CallHook([&] { return SetMediaType(PINDIR_OUTPUT, output->CurrentMediaType()); });
    if (FAILED(hr)) return fail(hr);

    // What downstream would ask for: as many buffers as come in, each large
    // enough for one sample of the output type.
    ALLOCATOR_PROPERTIES inProps;
    input->Allocator().GetProperties(inProps);
    ALLOCATOR_PROPERTIES request;
    request.cBuffers = std::max(inProps.cBuffers, 1);
    int64_t size = output->CurrentMediaType().lSampleSize;
    BITMAPINFOHEADER bih;
    if (size <= 0 && output->CurrentMediaType().GetBitmapHeader(bih)) size = bih.biSizeImage;
    if (size <= 0) size = inProps.cbBuffer;
    request.cbBuffer = int32_t(std::clamp<int64_t>(size, 1, INT32_MAX));
    request.cbAlign = 1;
    request.cbPrefix = 0;
    hr = CallHook([&] { return DecideBufferSize(output->Allocator(), request); });
    if (FAILED(hr)) return fail(hr);
    hr = CallHook([&] { return CompleteConnect(PINDIR_OUTPUT); });
    if (FAILED(hr)) return fail(hr);
    if (m_state != State_Stopped) output->Allocator().Committed = true;
    return S_OK;
}

void TBCTransformFilter::DisconnectInput()
{
    QMutexLocker lock(&FilterLock());
    TBCBasePin* input = InputPin();
    if (!input->IsConnected()) return;
    CallHook([&] { return BreakConnect(PINDIR_INPUT); });
    input->ClearConnection();
}

void TBCTransformFilter::DisconnectOutput()
{
    QMutexLocker lock(&FilterLock());
    TBCBasePin* output = OutputPin();
    if (!output->IsConnected()) return;
    CallHook([&] { return BreakConnect(PINDIR_OUTPUT); });
    output->ClearConnection();
}

void TBCTransformFilter::SetAllocatorsCommitted(bool on)
{
    for (int i = 0; i < 2; ++i) {
        TBCBasePin* pin = GetPin(i);
        pin->Allocator().Committed = on && pin->IsConnected();
    }
}

HRESULT TBCTransformFilter::Pause()
{
    QMutexLocker lock(&FilterLock());
    HRESULT hr = S_OK;
    if (m_state == State_Paused) {
        // nothing to do
    } else if (!InputPin()->IsConnected()) {
        // Nothing will ever come in: tell downstream at once, but only once
        // per run.
        if (!m_eosDelivered) {
            m_eosDelivered = true;
            if (DeliverEndOfStream) CallHook([&] { return DeliverEndOfStream(); });
        }
        m_state = State_Paused;
    } else if (!OutputPin()->IsConnected()) {
        m_state = State_Paused;
    } else {
        if (m_state == State_Stopped) {
            QMutexLocker receive(&m_receiveLock);
            hr = CallHook([&] { return StartStreaming(); });
        }
        if (SUCCEEDED(hr)) {
            if (m_state == State_Stopped) SetAllocatorsCommitted(true);
            m_state = State_Paused;
        }
    }
    m_sampleSkipped = false;
    m_qualityChanged = false;
    return hr;
}

HRESULT TBCTransformFilter::Run()
{
    QMutexLocker lock(&FilterLock());
    if (m_state == State_Stopped) {
        const HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    m_state = State_Running;
    return S_OK;
}

HRESULT TBCTransformFilter::Stop()
{
    QMutexLocker lock(&FilterLock());
    if (m_state == State_Stopped) return S_OK;
    if (!InputPin()->IsConnected() || !OutputPin()->IsConnected()) {
        m_state = State_Stopped;
        m_eosDelivered = false;
        SetAllocatorsCommitted(false);
        return S_OK;
    }
    // The input stops taking samples first, so that a Receive in progress is
    // the last one before the receive lock is ours.
    InputPin()->Allocator().Committed = false;
    QMutexLocker receive(&m_receiveLock);
    OutputPin()->Allocator().Committed = false;
    const HRESULT hr = CallHook([&] { return StopStreaming(); });
    if (SUCCEEDED(hr)) {
        m_state = State_Stopped;
        m_eosDelivered = false;
    }
    return hr;
}
