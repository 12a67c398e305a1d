#pragma once
// An in-place filter that learns what the stream it sits on is, without
// changing a byte of it: it describes the connected type when streaming
// starts and reads the auxiliary data of DV frames and MPEG-2 sequence
// headers as samples pass. What it learns goes into the shared records
// (TvData, TaData); the main window hears of each change through a posted
// WM_STREAMDESCRIPTION whose lParam is the address of the changed record
// (see TvData.h for the lock under which it is copied).
//
// Up to four notifiers sit in a chain at once (native video, decoded video,
// decoded audio, interleaved DV), each on its own streaming thread, and all
// write the same two records.

#include "filters/TBCTransInPlaceFilter.h"
#include "filters/TaData.h"
#include "filters/TvData.h"
#include "platform/WindowMessages.h"

#include <QByteArray>
#include <atomic>

inline constexpr unsigned WM_STREAMDESCRIPTION = WM_USER + 3;
inline constexpr quintptr StreamDescriptionVideo = 1; // lParam = &VData()
inline constexpr quintptr StreamDescriptionAudio = 2; // lParam = &AData()

class TNotifier : public TBCTransInPlaceFilter
{
public:
    static constexpr GUID ClassIdentifier { 0x904F906E, 0xCC19, 0x462D,
        { 0x95, 0xDF, 0xB6, 0x1A, 0x70, 0x82, 0xE6, 0xAD } };
    // Buffers downstream of a notifier hold at least this much, so that a
    // whole DV or HD frame fits in one sample.
    static constexpr int32_t MinimumBufferSize = 3000000;

    TNotifier();

    // Roles, set by the media system (UI thread) after Reset and before the
    // chain is connected, and read by the streaming thread: a chain being
    // rebuilt may still carry data through the notifier.
    std::atomic<bool> DescribeNative { false }; // compressed video type; DV and MPEG-2 samples
    std::atomic<bool> DescribeDecoded { false }; // size and rate of the decoded video type
    std::atomic<bool> DescribeAudio { false }; // audio type; DV audio of the samples

    // Accept anything again and drop every role.
    void Reset();

    // Set by StartStreaming when the connected type carries data that the
    // per-sample analysis reads.
    bool AnalyseSamples() const { return m_analyseSamples; }
    // GUID_NULL after Reset; the connected type's after StartStreaming.
    const GUID& AcceptedMajorType() const { return m_acceptedMajor; }
    const GUID& AcceptedSubType() const { return m_acceptedSub; }
    const GUID& AcceptedFormatType() const { return m_acceptedFormat; }

    HRESULT CheckInputType(const TMediaType& mt) override;
    HRESULT CheckTransform(const TMediaType& in, const TMediaType& out) override;
    HRESULT GetMediaType(int position, TMediaType& mt) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const TMediaType& mt) override;
    HRESULT DecideBufferSize(TMemAllocator& allocator, ALLOCATOR_PROPERTIES& request) override;
    HRESULT StartStreaming() override;
    // Reads the sample, never writes it; always S_OK.
    HRESULT Transform(TMediaSample* sample) override;

    // "720x576 - 25 fps": the rate rounded to two decimals, in its shortest
    // form, with the decimal separator of QLocale(); no rate part when the
    // rate is not positive.
    static QByteArray SizeText(uint32_t width, uint32_t height, double framesPerSecond);
    // Aspect (AspectNormal, AspectWide, AspectUnknown) of a picture aspect
    // ratio x:y.
    static uint8_t AspectFromRatio(uint32_t x, uint32_t y);
    // " (4x3)", " (16x9)" or nothing.
    static const char* AspectSuffix(uint8_t aspect);

protected:
    using TBCTransInPlaceFilter::Transform;

private:
    // Each runs with SharedRecordLock() held; true when a description was
    // made (and posted).
    bool describeVideo(const TMediaType& mt);
    void describeVideoType(const TMediaType& mt);
    void describeDecodedSize(const TMediaType& mt);
    void describeAudio(const WAVEFORMATEX& wfx);

    void analyseMpeg2(const uint8_t* data, size_t length);
    void analyseDvVideo(const uint8_t* data, size_t length, bool interleaved, TMediaSample* sample);
    void analyseDvAudio(const uint8_t* data, size_t length);
    void analyseH264(const uint8_t* data, size_t length, TMediaSample* sample);

    static void post(quintptr which);

    bool m_analyseSamples = false;
    GUID m_acceptedMajor;
    GUID m_acceptedSub;
    GUID m_acceptedFormat;
};
