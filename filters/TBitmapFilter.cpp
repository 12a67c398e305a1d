#include "filters/TBitmapFilter.h"

#include "filters/TvData.h"
#include "graph/MediaTypeGuids.h"
#include "platform/WindowMessages.h"

#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

const GUID TBitmapFilter::ClassId_BitmapFilter { 0x2AE57AC9, 0x12EA, 0x41EC,
    { 0x8F, 0x6B, 0x99, 0x8C, 0x51, 0x26, 0xA7, 0xE5 } };

namespace
{

constexpr unsigned MessagePrecisionCapture = WM_USER + 1;
constexpr unsigned MessageReconnectPin = WM_USER + 4;

bool IsPictureFormat(const TMediaType& mt)
{
    return (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat() >= sizeof(VIDEOINFOHEADER2))
        || (mt.formattype == FORMAT_VideoInfo && mt.cbFormat() >= sizeof(VIDEOINFOHEADER));
}

// The picture header of a VideoInfo or VideoInfo2 type; false for any other
// type or a block too short to hold it.
bool ReadPictureHeader(const TMediaType& mt, BITMAPINFOHEADER& bih)
{
    return IsPictureFormat(mt) && mt.GetBitmapHeader(bih);
}

// A picture size this filter can hold: every buffer size is a 32-bit count,
// so the whole picture must fit in one.
bool IsUsableSize(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width * height * 4 <= INT32_MAX;
}

bool IsAcceptedType(const TMediaType& mt)
{
    return mt.majortype == MEDIATYPE_Video && mt.subtype == MEDIASUBTYPE_RGB32
        && (mt.formattype == FORMAT_VideoInfo2 || mt.formattype == FORMAT_VideoInfo);
}

// Width, height (both positive) and row order of an accepted type's picture.
bool ReadPictureSize(const TMediaType& mt, int32_t& width, int32_t& height, bool& topDown)
{
    BITMAPINFOHEADER bih;
    if (!ReadPictureHeader(mt, bih) || bih.biHeight == INT_MIN) return false;
    const int64_t w = bih.biWidth;
    const int64_t h = std::abs(bih.biHeight);
    if (!IsUsableSize(w, h)) return false;
    width = int32_t(w);
    height = int32_t(h);
    topDown = bih.biHeight < 0;
    return true;
}

uint32_t Opaque(const uint8_t* pixel)
{
    uint32_t value;
    std::memcpy(&value, pixel, 4);
    // The fourth byte of an RGB32 frame is undefined; the bitmap's must be
    // opaque for the painter and for a BGRA peer downstream.
    return value | 0xFF000000u;
}

// A row of `count` pixels made opaque, four at a time: this runs on every
// byte of every frame, and the compiler does not vectorise the plain loop at
// the optimisation level we build with.
void CopyOpaque(const uint8_t* from, uint32_t* to, int32_t count)
{
    using Quad = uint32_t __attribute__((vector_size(16)));
    const Quad alpha = { 0xFF000000u, 0xFF000000u, 0xFF000000u, 0xFF000000u };
    int32_t x = 0;
    for (; x + 4 <= count; x += 4) {
        Quad q;
        std::memcpy(&q, from + int64_t(x) * 4, sizeof q);
        q |= alpha;
        std::memcpy(to + x, &q, sizeof q);
    }
    for (; x < count; ++x)
        to[x] = Opaque(from + int64_t(x) * 4);
}

} // namespace

TBitmapFilter::TBitmapFilter()
    : TBitmapFilter(QStringLiteral("Kestrine Bitmap2Filter"), ClassId_BitmapFilter)
{
}

TBitmapFilter::TBitmapFilter(const QString& objectName, const GUID& classId)
    : TBCTransformFilter(objectName, classId)
{
    SetMaximumSize(736, 576);
}

void TBitmapFilter::SetMaximumSize(int32_t width, int32_t height)
{
    MaxWidth = std::max(0, width);
    MaxHeight = std::max(0, height);
}

TBitmapFilter::~TBitmapFilter() = default;

// ---- hooks ----

HRESULT TBitmapFilter::CheckInputType(const TMediaType& mt)
{
    try {
        int32_t width, height;
        bool topDown;
        if (!IsAcceptedType(mt) || !ReadPictureSize(mt, width, height, topDown))
            return VFW_E_TYPE_NOT_ACCEPTED;
        if (GeometryPending.exchange(false)) {
            AdaptOutputSize(mt);
            takeGeometry(width, height, topDown);
        }
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT TBitmapFilter::QueryAccept(const TMediaType& mt)
{
    try {
        int32_t width, height;
        bool topDown;
        return IsAcceptedType(mt) && ReadPictureSize(mt, width, height, topDown) ? S_OK
                                                                                 : VFW_E_TYPE_NOT_ACCEPTED;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT TBitmapFilter::CheckTransform(const TMediaType& in, const TMediaType& out)
{
    if (in.majortype != out.majortype || in.subtype != out.subtype || in.formattype != out.formattype)
        return VFW_E_TYPE_NOT_ACCEPTED;
    BITMAPINFOHEADER bih;
    // Without a readable width the rows of the output could not be placed.
    if (!ReadPictureHeader(out, bih) || bih.biWidth <= 0 || bih.biWidth > INT32_MAX / 4)
        return VFW_E_TYPE_NOT_ACCEPTED;
    OutputStride = 4 * bih.biWidth;
    return S_OK;
}

HRESULT TBitmapFilter::DecideBufferSize(TMemAllocator& allocator, ALLOCATOR_PROPERTIES& request)
{
    try {
        ALLOCATOR_PROPERTIES input;
        InputPin()->Allocator().GetProperties(input);
        // The output holds the largest announced picture, whatever the input
        // buffers hold.
        const int64_t announced
            = std::max(int64_t(MaxWidth) * MaxHeight * 4, int64_t(OutputStride) * MaxHeight);
        request.cBuffers = std::max(input.cBuffers, 1);
        request.cbBuffer
            = int32_t(std::clamp<int64_t>(std::max<int64_t>(input.cbBuffer, announced), 1, INT32_MAX));
        ALLOCATOR_PROPERTIES actual;
        const HRESULT hr = allocator.SetProperties(request, actual);
        if (FAILED(hr)) return hr;
        if (actual.cBuffers < request.cBuffers || actual.cbBuffer < request.cbBuffer
            || actual.cbAlign < request.cbAlign)
            return E_FAIL;
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT TBitmapFilter::GetMediaType(int position, TMediaType& mt)
{
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    try {
        TMediaType type;
        if (FAILED(InputPin()->ConnectionMediaType(type))) return E_UNEXPECTED;
        if (!rewriteOutputType(type)) return E_UNEXPECTED;
        mt = std::move(type);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TBitmapFilter::SetMediaType(PIN_DIRECTION direction, const TMediaType& mt)
{
    try {
        if (!IsPictureFormat(mt)) return S_OK;
        BITMAPINFOHEADER bih;
        if (direction == PINDIR_INPUT && mt.GetBitmapHeader(bih)) m_inputTopDown = bih.biHeight < 0;
        // The type the input is connected with is the one the next frames
        // have. The check that took the geometry may have been a question
        // about a later type (a converter upstream asking while earlier
        // frames still wait in a queue); those frames would not fit it.
        int32_t width, height;
        bool topDown;
        if (direction == PINDIR_INPUT && IsAcceptedType(mt) && ReadPictureSize(mt, width, height, topDown)
            && (width != Width || height != Height)) {
            AdaptOutputSize(mt);
            takeGeometry(width, height, topDown);
        }
        RECT rect;
        if (direction == PINDIR_INPUT) {
            rect.right = Width > 0 ? Width.load() : MaxWidth.load();
            rect.bottom = Height > 0 ? Height.load() : MaxHeight.load();
        } else {
            rect.right = Width;
            rect.bottom = Height;
        }
        // The rectangles belong to the pin's connection type; the hook only
        // sees a copy.
        TMediaType fixed = mt;
        fixed.SetRects(rect, rect);
        if (TBCBasePin* pin = GetPin(direction == PINDIR_INPUT ? 0 : 1)) pin->SetMediaTypeOnly(fixed);
    } catch (...) {
    }
    return S_OK;
}

HRESULT TBitmapFilter::BeginFlush()
{
    m_captureGate.Close();
    return TBCTransformFilter::BeginFlush();
}

HRESULT TBitmapFilter::EndFlush()
{
    // The data of the new segment comes after this, never before.
    ApplyExpectedFlush();
    const HRESULT hr = TBCTransformFilter::EndFlush();
    m_captureGate.Open();
    return hr;
}

void TBitmapFilter::ReleaseStreamingWaits()
{
    m_captureGate.Close();
}

HRESULT TBitmapFilter::StartStreaming()
{
    m_captureGate.Open();
    RestartRun();
    GeometryPending = true;
    return S_OK;
}

HRESULT TBitmapFilter::Transform(TMediaSample* in, TMediaSample* out)
{
    if (!in || !out) return S_OK;
    try {
        // Time of the frame. The first timed frame also gives the shared
        // record its frame duration when nobody else could.
        REFERENCE_TIME start = 0, stop = 0;
        int64_t frameEnd = 0;
        const HRESULT timeResult = in->GetTime(&start, &stop);
        FrameStart = start + SegmentTime();
        FrameStartValid = SUCCEEDED(timeResult);
        if (timeResult == S_OK) {
            {
                TSharedRecordLocker lock(&SharedRecordLock());
                // A sample without a real duration must not make one up.
                if (VData().AvgTimePerFrame == 0 && stop > start) VData().AvgTimePerFrame = stop - start;
            }
            CurrentPosition = PositionBase + start;
            if (stop > start) frameEnd = PositionBase + stop;
        } else {
            int64_t duration;
            {
                TSharedRecordLocker lock(&SharedRecordLock());
                duration = VData().AvgTimePerFrame;
            }
            CurrentPosition += duration;
        }

        uint8_t* source = in->Pointer();
        uint8_t* target = out->Pointer();

        bool typeUsable = true;
        if (const TMediaType* type = in->MediaType()) typeUsable = takeNewInputType(*type, out);

        if (InputPin()->IsConnected() && OutputPin()->IsConnected()) {
            if (timeResult == S_OK)
                out->SetTime(&start, &stop);
            else if (timeResult == VFW_S_NO_STOP_TIME)
                out->SetTime(&start, nullptr);
            else
                out->SetTime(nullptr, nullptr);
            out->SetActualDataLength(int32_t(outputRows(out->GetSize()) * int64_t(OutputStride)));
            // The output keeps its own length and type: the input's describe
            // a buffer of another layout.
            out->SetSyncPoint(in->IsSyncPoint() == S_OK);
            out->SetDiscontinuity(in->IsDiscontinuity() == S_OK);
            out->SetPreroll(in->IsPreroll() == S_OK);
            out->StreamId = in->StreamId;
            out->TypeSpecificFlags = 0;
        }

        {
            std::lock_guard lock(Bitmap);
            if (typeUsable && copyIntoBitmap(source, in->GetActualDataLength())) {
                if (ObserveFrames && FrameObserver)
                    FrameObserver(Bitmap.Image(), CurrentPosition, FrameStartValid ? FrameStart.load() : -1);
                if (InlayEnabled) {
                    try {
                        DrawInlay(Bitmap);
                    } catch (...) {
                        // The frame goes out without its inlay rather than not at all.
                    }
                }
                copyOutOfBitmap(target, out->GetSize());
            }
        }
        // The capture points this frame covers, with this very frame in the
        // picture (and its inlay drawn): the image taken at a point is the
        // frame on screen at that time, never the one before it.
        if (PrecisionOn) {
            if (frameEnd <= CurrentPosition) {
                TSharedRecordLocker lock(&SharedRecordLock());
                frameEnd = CurrentPosition + std::max<int64_t>(VData().AvgTimePerFrame, 1);
            }
            sendCaptures(frameEnd);
        }
    } catch (...) {
    }
    return S_OK;
}

// ---- operations of its own ----

void TBitmapFilter::DrawInlay(TLockedBitmap&) { }

bool TBitmapFilter::ShowStill(
    const QImage& picture, int64_t position, int64_t frameStart, const TDvFrameStamp* dv)
{
    std::lock_guard lock(Bitmap);
    QImage& image = Bitmap.Image();
    if (picture.size() != image.size() || picture.format() != image.format()
        || picture.bytesPerLine() != image.bytesPerLine() || !Bitmap.PrepareOverwrite())
        return false;
    std::memcpy(image.bits(), picture.constBits(), size_t(image.sizeInBytes()));
    FrameStart = frameStart;
    FrameStartValid = frameStart >= 0;
    CurrentPosition = position;
    if (dv) StillStamp = *dv;
    if (InlayEnabled) {
        try {
            DrawInlay(Bitmap);
        } catch (...) {
        }
    }
    StillStamp.reset();
    return true;
}

void TBitmapFilter::AdaptOutputSize(const TMediaType& mt)
{
    BITMAPINFOHEADER bih;
    if (!ReadPictureHeader(mt, bih) || bih.biHeight == INT_MIN) return;
    const int32_t width = bih.biWidth;
    const int32_t height = std::abs(bih.biHeight);
    if (height <= MaxHeight && width <= MaxWidth) return;
    MaxWidth = width;
    MaxHeight = height;
    // The picture size stays: the element renegotiates its output at the
    // new size by itself, and no reconnection would come to restore a
    // zeroed size (the pictures and the grabs would freeze).
    if (mt.formattype == FORMAT_VideoInfo2) RequestReconnect(0);
    RequestReconnect(1);
}

void TBitmapFilter::SetInlayEnabled(bool on)
{
    InlayEnabled = on;
}

void TBitmapFilter::RequestReconnect(int pinIndex)
{
    if (QObject* window = MainWindow()) PostMessage(window, MessageReconnectPin, 0, pinIndex);
}

void TBitmapFilter::PrepareConnection()
{
    GeometryPending = true;
}

void TBitmapFilter::SetPrecisionInterval(int64_t interval)
{
    NextCapture = 0;
    CurrentPosition = PositionBase.load();
    CaptureInterval = interval;
    PrecisionOn = interval > 0;
}

void TBitmapFilter::RestartRun()
{
    NextCapture = 0;
    CurrentPosition = PositionBase.load();
}

void TBitmapFilter::ExpectFlush(int64_t base, bool restartRun)
{
    std::lock_guard lock(m_expectLock);
    m_flushExpected = true;
    m_baseAtFlush = base;
    // A restart asked for an earlier seek whose flush has not come yet stays asked.
    m_restartAtFlush = m_restartAtFlush || restartRun;
}

bool TBitmapFilter::ApplyExpectedFlush()
{
    std::lock_guard lock(m_expectLock);
    if (!m_flushExpected) return false;
    m_flushExpected = false;
    PositionBase = m_baseAtFlush;
    CurrentPosition = m_baseAtFlush;
    if (m_restartAtFlush) RestartRun();
    m_restartAtFlush = false;
    return true;
}

// ---- drawing ----

void TBitmapFilter::AutoFontSize()
{
    std::lock_guard lock(Bitmap);
    Bitmap.SetFontHeight(std::max(Bitmap.Width() * 28 / 720, 16));
}

void TBitmapFilter::DrawOutlinedText(TLockedBitmap& bitmap, int x, int y, const QString& text,
    uint32_t textColour, uint32_t outlineColour, int outlineSize)
{
    std::lock_guard lock(bitmap);
    if (bitmap.IsEmpty()) return;
    QPainter painter(&bitmap.Image());
    if (!painter.isActive()) return;
    painter.setFont(bitmap.Font());
    const int n = std::clamp(outlineSize, 0, MaxOutlineSize);
    if (n > 0) {
        bitmap.FontColour = outlineColour;
        for (int dy = -n; dy <= n; ++dy)
            for (int dx = -n; dx <= n; ++dx)
                if (std::abs(dx) + std::abs(dy) > n) DrawTextAt(painter, x + dx, y + dy, text, outlineColour);
    }
    bitmap.FontColour = textColour;
    DrawTextAt(painter, x, y, text, textColour);
}

void TBitmapFilter::DrawInlayLines(TLockedBitmap& bitmap, int x, int y, int lineHeight, const QString& line1,
    const QString& line2, uint32_t textColour, uint32_t outlineColour, int outlineSize, int alignment)
{
    if (alignment < 0 || alignment > 3) return;
    std::lock_guard lock(bitmap);
    DrawOutlinedText(bitmap, InlayLineLeft(bitmap, line1, x, alignment), y - lineHeight, line1, textColour,
        outlineColour, outlineSize);
    DrawOutlinedText(
        bitmap, InlayLineLeft(bitmap, line2, x, alignment), y, line2, textColour, outlineColour, outlineSize);
}

int TBitmapFilter::InlayLineLeft(const TLockedBitmap& bitmap, const QString& line, int x, int alignment)
{
    const int w = bitmap.TextWidth(line);
    switch (alignment) {
    case 0:
        return x;
    case 1:
        return x - w / 2;
    case 2:
        return x - w;
    default:
        return (bitmap.Width() - w) / 2;
    }
}

void TBitmapFilter::DrawTextAt(QPainter& painter, int x, int y, const QString& text, uint32_t colour)
{
    painter.setPen(ColourFromColorRef(colour));
    // The painter places text by its baseline; the caller gives the top of
    // the cell.
    painter.drawText(QPoint(x, y + painter.fontMetrics().ascent()), text);
}

// ---- private ----

bool TBitmapFilter::rewriteOutputType(TMediaType& mt) const
{
    BITMAPINFOHEADER bih;
    if (!ReadPictureHeader(mt, bih)) return false;
    const int32_t maxWidth = MaxWidth;
    const int32_t maxHeight = MaxHeight;
    const uint32_t size = uint32_t(std::clamp<int64_t>(int64_t(maxWidth) * maxHeight * 4, 0, UINT32_MAX));
    bih.biWidth = maxWidth;
    // Same row order as the input: the bitmap goes out top row first into a
    // top-down output, which is all GStreamer knows.
    bih.biHeight = bih.biHeight < 0 ? -maxHeight : maxHeight;
    bih.biSizeImage = size;
    mt.lSampleSize = size;
    const RECT picture { 0, 0, Width, Height };
    mt.SetBitmapHeader(bih);
    mt.SetRects(picture, picture);
    if (mt.formattype == FORMAT_VideoInfo2) mt.SetInterlaceFlags(0);
    return true;
}

void TBitmapFilter::takeGeometry(int32_t width, int32_t height, bool topDown)
{
    std::lock_guard lock(Bitmap);
    Width = width;
    Height = height;
    m_inputTopDown = topDown;
    Bitmap.SetSize(width, height);
}

bool TBitmapFilter::takeNewInputType(const TMediaType& type, TMediaSample* out)
{
    int32_t width, height;
    bool topDown;
    // A frame of another kind is not copied: it would be read as RGB32.
    if (!IsAcceptedType(type) || !ReadPictureSize(type, width, height, topDown)) return false;
    takeGeometry(width, height, topDown);
    AdaptOutputSize(type);
    TMediaType outputType = type;
    if (rewriteOutputType(outputType)) out->SetMediaType(&outputType);
    return true;
}

void TBitmapFilter::sendCaptures(int64_t frameEnd)
{
    QObject* window = MainWindow();
    int64_t next = NextCapture;
    // Stops as soon as precision mode is switched off from a handler: the
    // intervallometer may be stopped while it saves one of these images.
    while (PrecisionOn && next < frameEnd) {
        const int64_t interval = CaptureInterval;
        if (interval <= 0) break;
        // A send released unanswered (a flush or a stop closed the gate)
        // took nothing: the point stays for the frames that come after.
        if (window
            && SendMessage(window, MessagePrecisionCapture, quintptr(uint64_t(next)),
                   reinterpret_cast<qintptr>(&Bitmap), &m_captureGate)
                == 0)
            break;
        next = next > INT64_MAX - interval ? INT64_MAX : next + interval;
        NextCapture = next;
        if (next == INT64_MAX) break;
    }
}

int64_t TBitmapFilter::outputRows(int64_t available) const
{
    const int64_t stride = OutputStride;
    if (stride <= 0) return 0;
    return std::clamp<int64_t>(available / stride, 0, std::max(0, Height.load()));
}

bool TBitmapFilter::copyIntoBitmap(const uint8_t* data, int64_t available)
{
    const int32_t width = Width;
    const int32_t height = Height;
    if (!data || width <= 0 || height <= 0) return false;
    if (Bitmap.Width() != width || Bitmap.Height() != height) return false;
    const int64_t stride = int64_t(width) * 4;
    // A short frame is refused whole: the bitmap keeps the last complete
    // picture for the grabs.
    if (available < stride * height) return false;
    if (!Bitmap.PrepareOverwrite()) return false;
    // Bottom-up input (positive height) is read from its last picture row;
    // top-down input is already in the bitmap's order. VerticalFlip inverts
    // either.
    const bool fromBottom = !m_inputTopDown != VerticalFlip;
    const bool mirror = HorizontalMirror;
    QImage& image = Bitmap.Image();
    for (int32_t i = 0; i < height; ++i) {
        const uint8_t* row = data + i * stride;
        auto* pixels = reinterpret_cast<uint32_t*>(image.scanLine(fromBottom ? height - 1 - i : i));
        if (mirror) {
            for (int32_t x = 0; x < width; ++x)
                pixels[x] = Opaque(row + int64_t(width - 1 - x) * 4);
        } else {
            CopyOpaque(row, pixels, width);
        }
    }
    return true;
}

void TBitmapFilter::copyOutOfBitmap(uint8_t* data, int64_t available)
{
    if (!data) return;
    const int64_t stride = OutputStride;
    // Until the output is reconnected a grown picture is cut to the buffer
    // and to the announced row width.
    const int64_t rows = std::min<int64_t>(outputRows(available), Bitmap.Height());
    const size_t bytes = size_t(std::min<int64_t>(int64_t(Bitmap.Width()) * 4, stride));
    const QImage& image = Bitmap.Image();
    for (int64_t i = 0; i < rows; ++i)
        std::memcpy(data + i * stride, image.constScanLine(int(i)), bytes);
}
