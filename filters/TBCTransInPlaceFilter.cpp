#include "filters/TBCTransInPlaceFilter.h"

#include <QMutexLocker>
#include <algorithm>
#include <cstring>

TBCTransInPlaceFilter::TBCTransInPlaceFilter(const QString& objectName, const GUID& classId)
    : TBCTransformFilter(objectName, classId)
{
}

HRESULT TBCTransInPlaceFilter::DecideBufferSize(TMemAllocator& allocator, ALLOCATOR_PROPERTIES& request)
{
    // The samples pass through as they came, so the output needs buffers as
    // many and as large as the input's, and never fewer than what the caller
    // asked for. Unconnected upstream, one byte will do until it connects.
    ALLOCATOR_PROPERTIES wanted;
    if (InputPin()->IsConnected()) {
        const HRESULT hr = InputPin()->Allocator().GetProperties(wanted);
        if (FAILED(hr)) return hr;
    }
    wanted.cBuffers = std::max({ wanted.cBuffers, request.cBuffers, 1 });
    wanted.cbBuffer = std::max({ wanted.cbBuffer, request.cbBuffer, 1 });
    wanted.cbAlign = std::max(request.cbAlign, 1);
    wanted.cbPrefix = request.cbPrefix;

    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator.SetProperties(wanted, actual);
    if (FAILED(hr)) return hr;
    if (actual.cBuffers < wanted.cBuffers || actual.cbBuffer < wanted.cbBuffer
        || actual.cbAlign < wanted.cbAlign)
        return E_FAIL;
    request = actual;
    return S_OK;
}

HRESULT TBCTransInPlaceFilter::CompleteConnect(PIN_DIRECTION direction)
{
    TBCBasePin* input = InputPin();
    TBCBasePin* output = OutputPin();
    if (direction == PINDIR_OUTPUT) {
        // One buffer carries the sample from input to output: both ends must
        // speak the same type.
        if (input->IsConnected() && !(input->CurrentMediaType() == output->CurrentMediaType()))
            return VFW_E_TYPE_NOT_ACCEPTED;
        return S_OK;
    }
    // A new input type leaves an output connected with the old one wrong:
    // drop it, whoever drives the filter connects it again with the new type.
    if (output->IsConnected() && !(input->CurrentMediaType() == output->CurrentMediaType()))
        DisconnectOutput();
    return S_OK;
}

HRESULT TBCTransInPlaceFilter::Receive(TMediaSample* sample)
{
    if (!sample) return E_POINTER;
    QMutexLocker lock(&ReceiveLock());
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;

    if (sample->StreamId != 0)
        return Deliver ? CallHook([&] { return Deliver(sample); }) : VFW_E_NOT_CONNECTED;

    TMediaSample* target = sample;
    if (CopyToOutput) {
        TMediaSample* out = nullptr;
        hr = CallHook([&] { return InitializeOutputSample(sample, out); });
        if (FAILED(hr)) return hr;
        if (!out) return E_UNEXPECTED;
        const int32_t length = sample->GetActualDataLength();
        if (length > out->GetSize()) return E_UNEXPECTED;
        if (length > 0) std::memmove(out->Pointer(), sample->Pointer(), size_t(length));
        out->SetActualDataLength(length);
        out->SetMediaType(sample->MediaType());
        target = out;
    }
    hr = CallHook([&] { return Transform(target); });
    return FinishReceive(hr, target);
}
