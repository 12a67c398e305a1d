#pragma once
// A transform that works on each sample in the buffer it arrived in. The
// output type is the input type; when upstream and downstream allocators
// differ the sample is first copied into an output buffer.

#include "filters/TBCTransformFilter.h"

class TBCTransInPlaceFilter : public TBCTransformFilter
{
public:
    TBCTransInPlaceFilter(const QString& objectName, const GUID& classId);

    // In place: the one hook the subclass must fill.
    virtual HRESULT Transform(TMediaSample* sample) = 0;

    HRESULT CheckTransform(const TMediaType&, const TMediaType&) override { return S_OK; }
    HRESULT DecideBufferSize(TMemAllocator& allocator, ALLOCATOR_PROPERTIES& request) override;
    HRESULT GetMediaType(int position, TMediaType& mt) override { return E_UNEXPECTED; }
    HRESULT CompleteConnect(PIN_DIRECTION direction) override;
    HRESULT Receive(TMediaSample* sample) override;

    // True when the output must receive copies (different allocators);
    // the adapter sets it from what it negotiated.
    bool CopyToOutput = false;

protected:
    using TBCTransformFilter::Transform;
    QString InputPinName() const override { return QStringLiteral("Input"); }
    QString OutputPinName() const override { return QStringLiteral("Output"); }
    QString InputPinObjectName() const override { return QStringLiteral("TransInPlace input pin"); }
    QString OutputPinObjectName() const override { return QStringLiteral("TransInPlace output pin"); }
};
