#include "filters/TNotifier.h"

#include "filters/CodecNames.h"
#include "filters/DvAnalysis.h"
#include "filters/MdpmAnalysis.h"
#include "graph/MediaTypeGuids.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace
{

constexpr REFERENCE_TIME PalFrameDuration = 400000;
constexpr REFERENCE_TIME NtscFrameDuration = 333667;

uint8_t standardFromHeight(uint32_t height)
{
    switch (height) {
    case 120:
    case 240:
    case 480:
        return StandardNtsc;
    case 144:
    case 288:
    case 576:
        return StandardPal;
    default:
        return StandardUnknown;
    }
}

// Picture heights are stored without the sign that marks top-down RGB.
uint32_t pictureHeight(const BITMAPINFOHEADER& header)
{
    return header.biHeight < 0 ? uint32_t(0) - uint32_t(header.biHeight) : uint32_t(header.biHeight);
}

int32_t bitRateOf(uint32_t averageBytesPerSecond)
{
    const int64_t bits = int64_t(averageBytesPerSecond) * 8;
    return int32_t(std::min<int64_t>(bits, std::numeric_limits<int32_t>::max()));
}

QByteArray number(int64_t value)
{
    return QByteArray::number(qlonglong(value));
}

} // namespace

TNotifier::TNotifier()
    : TBCTransInPlaceFilter(QStringLiteral("Kestrine's Notifier"), ClassIdentifier)
{
}

void TNotifier::Reset()
{
    m_acceptedMajor = GUID_NULL;
    m_acceptedSub = GUID_NULL;
    m_acceptedFormat = GUID_NULL;
    DescribeNative = false;
    DescribeDecoded = false;
    DescribeAudio = false;
}

HRESULT TNotifier::CheckInputType(const TMediaType& mt)
{
    const auto accepts = [](const GUID& accepted, const GUID& offered) {
        return accepted == GUID_NULL || accepted == offered;
    };
    if (accepts(m_acceptedMajor, mt.majortype) && accepts(m_acceptedSub, mt.subtype)
        && accepts(m_acceptedFormat, mt.formattype))
        return S_OK;
    return E_FAIL;
}

HRESULT TNotifier::CheckTransform(const TMediaType& in, const TMediaType& out)
{
    return in.majortype == out.majortype && in.subtype == out.subtype ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TNotifier::GetMediaType(int position, TMediaType& mt)
{
    if (position < 0) return E_INVALIDARG;
    if (position > 0 || !InputPin()->IsConnected()) return VFW_S_NO_MORE_ITEMS;
    try {
        return InputPin()->ConnectionMediaType(mt);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT TNotifier::SetMediaType(PIN_DIRECTION, const TMediaType&)
{
    return S_OK;
}

HRESULT TNotifier::DecideBufferSize(TMemAllocator& allocator, ALLOCATOR_PROPERTIES& request)
{
    if (request.cBuffers == 0) request.cBuffers = 1;
    if (request.cbBuffer == 0) request.cbBuffer = 1;
    if (request.cbAlign == 0) request.cbAlign = 1;

    ALLOCATOR_PROPERTIES input;
    InputPin()->Allocator().GetProperties(input);
    request.cbBuffer = std::max({ request.cbBuffer, input.cbBuffer, MinimumBufferSize });

    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator.SetProperties(request, actual);
    if (FAILED(hr)) return hr;
    if (actual.cbBuffer < input.cbBuffer) return E_FAIL;
    return S_OK;
}

// ---- describing ----

HRESULT TNotifier::StartStreaming()
{
    try {
        TSharedRecordLocker lock(&SharedRecordLock());
        m_analyseSamples = false;
        // Makes the first DV frame of the run report its audio. Only an audio
        // notifier may do it: from a video notifier it would wipe the rate of
        // an audio stream already described by its own notifier.
        if (DescribeAudio) AData().SampleRate = 0;

        TMediaType mt;
        if (!InputPin()->IsConnected() || FAILED(InputPin()->ConnectionMediaType(mt))) return S_OK;
        m_acceptedMajor = mt.majortype;
        m_acceptedSub = mt.subtype;
        m_acceptedFormat = mt.formattype;

        if (mt.majortype == MEDIATYPE_Video) {
            TvData& v = VData();
            v.MajorType = mt.majortype;
            v.SubType = mt.subtype;
            v.FormatType = mt.formattype;
        } else if (mt.majortype == MEDIATYPE_Audio) {
            TaData& a = AData();
            a.MajorType = mt.majortype;
            a.SubType = mt.subtype;
            a.FormatType = mt.formattype;
        }

        if (DescribeNative || DescribeDecoded) describeVideo(mt);

        if (DescribeAudio) {
            WAVEFORMATEX wfx;
            if (mt.formattype == FORMAT_WaveFormatEx && mt.GetWaveFormat(wfx)) {
                describeAudio(wfx);
                post(StreamDescriptionAudio);
            } else if (mt.formattype == FORMAT_DvInfo && mt.cbFormat() >= sizeof(DVINFO)) {
                post(StreamDescriptionAudio);
                m_analyseSamples = true;
            }
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

bool TNotifier::describeVideo(const TMediaType& mt)
{
    const uint32_t size = mt.cbFormat();
    const bool dvInVideoInfo = mt.subtype == MEDIASUBTYPE_dvsd && mt.formattype == FORMAT_VideoInfo
        && size >= sizeof(VIDEOINFOHEADER);
    // Camcorders' H.264 (AVCHD) carries its recording date in SEI messages of
    // every access unit, in the Annex B stream (start codes) a transport
    // stream gives; length-prefixed H.264 ("avc1", from MP4 and Matroska)
    // is not from such a camcorder and is not read.
    bool h264 = false;
    if (mt.subtype == MEDIASUBTYPE_H264
        && ((mt.formattype == FORMAT_VideoInfo && size >= sizeof(VIDEOINFOHEADER))
            || (mt.formattype == FORMAT_VideoInfo2 && size >= sizeof(VIDEOINFOHEADER2)))) {
        BITMAPINFOHEADER header;
        mt.GetBitmapHeader(header);
        const uint32_t codec = header.biCompression;
        h264 = codec == MakeFourCC('H', '2', '6', '4') || codec == MakeFourCC('h', '2', '6', '4')
            || codec == MakeFourCC('X', '2', '6', '4') || codec == MakeFourCC('x', '2', '6', '4');
    }
    const bool analysed = dvInVideoInfo || h264
        || (mt.formattype == FORMAT_MPEG2Video && size >= sizeof(MPEG2VIDEOINFO))
        || (mt.formattype == FORMAT_DvInfo && size >= sizeof(DVINFO));
    const bool described = analysed || (mt.formattype == FORMAT_VideoInfo && size >= sizeof(VIDEOINFOHEADER))
        || (mt.formattype == FORMAT_VideoInfo2 && size >= sizeof(VIDEOINFOHEADER2))
        || (mt.formattype == FORMAT_MPEGVideo && size >= sizeof(MPEG1VIDEOINFO));
    if (!described) return false;

    if (DescribeNative) describeVideoType(mt);
    if (DescribeDecoded && mt.formattype != FORMAT_DvInfo) describeDecodedSize(mt);
    post(StreamDescriptionVideo);
    if (analysed) m_analyseSamples = true;
    return true;
}

void TNotifier::describeVideoType(const TMediaType& mt)
{
    TvData& v = VData();
    v.MajorType = mt.majortype;
    v.SubType = mt.subtype;
    v.FormatType = mt.formattype;

    if (mt.formattype == FORMAT_DvInfo) {
        // The interleaved stream says nothing more: the frames tell the rest.
        v.Aspect = AspectUnknown;
        v.Standard = StandardUnknown;
        return;
    }

    v.BitRate = mt.BitRate();
    if (mt.formattype == FORMAT_VideoInfo) {
        v.CodecName = VideoCodecName(mt).toUtf8();
        v.Aspect = AspectUnknown;
        v.Standard = StandardUnknown;
        if (mt.subtype == MEDIASUBTYPE_dvsd) {
            BITMAPINFOHEADER header;
            mt.GetBitmapHeader(header);
            v.Width = uint32_t(std::max(header.biWidth, 0));
            v.Height = pictureHeight(header);
            v.BitCount = header.biBitCount;
            v.Standard = standardFromHeight(v.Height);
        }
        v.Description = v.CodecName;
        return;
    }
    if (mt.formattype == FORMAT_MPEGVideo) {
        v.Aspect = AspectUnknown;
        v.Standard = StandardUnknown;
        v.CodecName = "MPEG1";
        v.Description = v.CodecName;
        return;
    }

    // The second generation headers carry the picture aspect ratio.
    uint32_t x = 0, y = 0;
    mt.GetPictureAspectRatio(x, y);
    v.Aspect = AspectFromRatio(x, y);
    v.Standard = StandardUnknown;
    v.CodecName = mt.formattype == FORMAT_MPEG2Video ? QByteArray("MPEG2") : VideoCodecName(mt).toUtf8();
    v.Description = v.CodecName + AspectSuffix(v.Aspect);
}

void TNotifier::describeDecodedSize(const TMediaType& mt)
{
    TvData& v = VData();
    BITMAPINFOHEADER header;
    mt.GetBitmapHeader(header);
    v.Width = uint32_t(std::max(header.biWidth, 0));
    v.Height = pictureHeight(header);
    v.BitCount = header.biBitCount;
    v.AvgTimePerFrame = mt.AvgTimePerFrame();
    v.FramesPerSecond = v.AvgTimePerFrame > 0 ? 10000000.0 / double(v.AvgTimePerFrame) : 0.0;
    v.SizeText = SizeText(v.Width, v.Height, v.FramesPerSecond);
}

void TNotifier::describeAudio(const WAVEFORMATEX& wfx)
{
    TaData& a = AData();
    a.Channels = wfx.nChannels;
    a.SampleRate = int32_t(std::min<uint32_t>(wfx.nSamplesPerSec, std::numeric_limits<int32_t>::max()));
    a.BitsPerSample = wfx.wBitsPerSample;
    a.BitRate = bitRateOf(wfx.nAvgBytesPerSec);

    QByteArray text = a.CodecName;
    if (a.SampleRate > 0) text += " " + number(a.SampleRate) + "Hz";
    if (a.BitsPerSample <= 0)
        text += " " + number(a.BitRate / 1000) + "Kb/s";
    else
        text += " " + number(a.BitsPerSample) + "bits ";
    if (a.Channels == 1)
        text += " mono";
    else if (a.Channels == 2)
        text += " stéréo";
    else
        text += " " + number(a.Channels) + " canaux";
    a.Description = text;
}

QByteArray TNotifier::SizeText(uint32_t width, uint32_t height, double framesPerSecond)
{
    QByteArray text = number(width) + "x" + number(height);
    if (framesPerSecond > 0 && std::isfinite(framesPerSecond)) {
        const double rounded = std::round(framesPerSecond * 100.0) / 100.0;
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        text += " - " + locale.toString(rounded, 'f', QLocale::FloatingPointShortest).toUtf8() + " fps";
    }
    return text;
}

uint8_t TNotifier::AspectFromRatio(uint32_t x, uint32_t y)
{
    if (x == 0 && y == 0) return AspectUnknown;
    if (uint64_t(x) * 3 == uint64_t(y) * 4) return AspectNormal;
    if (uint64_t(x) * 9 == uint64_t(y) * 16) return AspectWide;
    return AspectUnknown;
}

const char* TNotifier::AspectSuffix(uint8_t aspect)
{
    if (aspect == AspectNormal) return " (4x3)";
    if (aspect == AspectWide) return " (16x9)";
    return "";
}

void TNotifier::post(quintptr which)
{
    QObject* window = MainWindow();
    if (!window) return;
    const qintptr record = which == StreamDescriptionVideo ? reinterpret_cast<qintptr>(&VData())
                                                           : reinterpret_cast<qintptr>(&AData());
    PostMessage(window, WM_STREAMDESCRIPTION, which, record);
}

// ---- per-sample analysis ----

HRESULT TNotifier::Transform(TMediaSample* sample)
{
    if (!m_analyseSamples || !sample) return S_OK;
    try {
        const uint8_t* data = sample->Pointer();
        const int32_t actual = std::min(sample->GetActualDataLength(), sample->GetSize());
        if (!data || actual <= 0) return S_OK;
        const size_t length = size_t(actual);

        if (m_acceptedFormat == FORMAT_MPEG2Video) {
            if (DescribeNative) analyseMpeg2(data, length);
        } else if (m_acceptedFormat == FORMAT_VideoInfo && m_acceptedSub == MEDIASUBTYPE_dvsd) {
            if (DescribeNative) analyseDvVideo(data, length, false, sample);
        } else if (m_acceptedFormat == FORMAT_DvInfo) {
            if (DescribeNative) analyseDvVideo(data, length, true, sample);
            if (DescribeAudio) analyseDvAudio(data, length);
        } else if (m_acceptedSub == MEDIASUBTYPE_H264) {
            if (DescribeNative) analyseH264(data, length, sample);
        }
    } catch (...) {
        // The records stay as they were; the sample goes on regardless.
    }
    return S_OK;
}

void TNotifier::analyseMpeg2(const uint8_t* data, size_t length)
{
    TMpeg2SequenceHeader header;
    if (!ReadMpeg2SequenceHeader(data, length, header)) return;
    TSharedRecordLocker lock(&SharedRecordLock());
    TvData& v = VData();
    if (header.Width == v.Width && header.Height == v.Height && header.Aspect == v.Aspect
        && header.FramesPerSecond == v.FramesPerSecond)
        return;
    v.Width = header.Width;
    v.Height = header.Height;
    v.Aspect = header.Aspect;
    v.FramesPerSecond = header.FramesPerSecond;
    v.Description = QByteArray("MPEG2") + AspectSuffix(v.Aspect);
    post(StreamDescriptionVideo);
}

void TNotifier::analyseDvVideo(const uint8_t* data, size_t length, bool interleaved, TMediaSample* sample)
{
    TDvVideoAux aux;
    if (!ReadDvVideoAux(data, length, aux)) return;
    TSharedRecordLocker lock(&SharedRecordLock());
    TvData& v = VData();

    switch (aux.DatecodeState) {
    case TDvDatecode::Valid:
        v.Datecode = aux.Datecode;
        v.DatecodeValid = true;
        break;
    case TDvDatecode::Invalid:
        v.DatecodeValid = false;
        break;
    case TDvDatecode::Absent:
        v.Datecode = 0;
        v.DatecodeValid = false;
        break;
    }
    v.TimecodeValid = aux.TimecodeValid;
    if (aux.TimecodeValid) v.Timecode = aux.Timecode;
    REFERENCE_TIME start = 0, stop = 0;
    if (sample && SUCCEEDED(sample->GetTime(&start, &stop))) {
        TDvFrameStamp stamp;
        stamp.Start = start + SegmentTime();
        stamp.DatecodeValid = v.DatecodeValid;
        stamp.Datecode = v.Datecode;
        stamp.TimecodeValid = aux.TimecodeValid;
        stamp.Timecode = aux.Timecode;
        RememberDvFrame(stamp);
    }

    bool changed = false;
    if (interleaved && aux.Standard != v.Standard) {
        v.Standard = aux.Standard;
        if (aux.Standard == StandardPal) {
            v.Width = 720;
            v.Height = 576;
            v.AvgTimePerFrame = PalFrameDuration;
            v.FramesPerSecond = 25;
        } else if (aux.Standard == StandardNtsc) {
            v.Width = 720;
            v.Height = 480;
            v.AvgTimePerFrame = NtscFrameDuration;
            v.FramesPerSecond = 30000.0 / 1001.0;
        }
        changed = true;
    }
    const uint8_t aspect = aux.Wide ? AspectWide : AspectNormal;
    if (aspect != v.Aspect) {
        v.Aspect = aspect;
        changed = true;
    }
    if (!changed) return;

    QByteArray text = interleaved ? "DV type1 " : "DV type2 ";
    if (v.Standard == StandardPal)
        text += "Pal ";
    else if (v.Standard == StandardNtsc)
        text += "NTSC ";
    text += v.Aspect == AspectWide ? " (16x9) " : " (4x3) ";
    v.Description = text;
    post(StreamDescriptionVideo);
}

void TNotifier::analyseH264(const uint8_t* data, size_t length, TMediaSample* sample)
{
    double datecode = 0;
    // An access unit without the message says nothing about the date: most
    // H.264 never carries one, and then the record stays as it was (none),
    // without the shared lock taken for each frame.
    if (!ReadH264RecordingDate(data, length, datecode)) return;
    TSharedRecordLocker lock(&SharedRecordLock());
    TvData& v = VData();
    v.Datecode = datecode;
    v.DatecodeValid = true;
    REFERENCE_TIME start = 0, stop = 0;
    if (sample && SUCCEEDED(sample->GetTime(&start, &stop))) {
        TDvFrameStamp stamp;
        stamp.Start = start + SegmentTime();
        stamp.DatecodeValid = true;
        stamp.Datecode = datecode;
        RememberDvFrame(stamp);
    }
}

void TNotifier::analyseDvAudio(const uint8_t* data, size_t length)
{
    int32_t rate = 0, bits = 0;
    if (!ReadDvAudioAux(data, length, rate, bits)) return;
    TSharedRecordLocker lock(&SharedRecordLock());
    TaData& a = AData();
    if (rate == a.SampleRate && bits == a.BitsPerSample) return;
    a.SampleRate = rate;
    a.BitsPerSample = bits;
    a.MajorType = MEDIATYPE_Audio;
    a.SubType = MEDIASUBTYPE_PCM;
    a.FormatType = FORMAT_WaveFormatEx;
    a.Description = "DV " + number(rate) + "Hz " + number(bits) + "bits stéréo";
    post(StreamDescriptionAudio);
}
