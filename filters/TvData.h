#pragma once
// The shared description of the video stream: one record for the whole
// process, written by the notifiers on the streaming threads, read by the
// main window, the media system and the compositor.
//
// Protection: ONE recursive lock (SharedRecordLock) serialises every read and
// write of both shared records (this one and TaData). Writers change fields
// under it; readers either hold it while they look at VData(), or take a copy
// with VideoSnapshot(). The WM_USER+3 message carries the record's address
// (&VData()) as lParam; its handler copies the record with
// SnapshotOf(reinterpret_cast<const TvData*>(lParam)), which takes the lock.
// Copies never allocate: the strings are implicitly shared.
//
// The 8-bit strings are QByteArray holding UTF-8 ("stéréo" is two bytes for
// the é); turn them into text with QString::fromUtf8.

#include "graph/Guid.h"

#include <QByteArray>
#include <QDateTime>
#include <QMutexLocker>
#include <QRecursiveMutex>
#include <array>
#include <cstdint>

// Aspect
inline constexpr uint8_t AspectNormal = 0; // 4:3
inline constexpr uint8_t AspectWide = 1; // 16:9
inline constexpr uint8_t AspectUnknown = 2;
// Standard
inline constexpr uint8_t StandardPal = 0; // 625 lines, 50 Hz
inline constexpr uint8_t StandardNtsc = 1; // 525 lines, 60 Hz
inline constexpr uint8_t StandardUnknown = 2;

// Timecode bytes
inline constexpr int TimecodeHours = 0;
inline constexpr int TimecodeMinutes = 1;
inline constexpr int TimecodeSeconds = 2;
inline constexpr int TimecodeFrames = 3;

struct TvData {
    GUID MajorType;
    GUID SubType;
    GUID FormatType;
    uint32_t Width = 0;
    uint32_t Height = 0;
    int32_t BitCount = 0;
    double FramesPerSecond = 0; // 0 when unknown
    int64_t AvgTimePerFrame = 0; // 100-ns units; 0 when unknown
    QByteArray Description; // codec and aspect, or DV type, standard and aspect
    QByteArray SizeText; // "720x576 - 25 fps"
    QByteArray CodecName;
    uint8_t Aspect = AspectUnknown;
    uint8_t Standard = StandardUnknown;
    bool DatecodeValid = false;
    double Datecode = 0; // days since 30 December 1899, fraction = time of day
    bool TimecodeValid = false;
    std::array<uint8_t, 4> Timecode {}; // hours, minutes, seconds, frames
    uint32_t BitRate = 0; // bits per second; 0 when unknown

    friend bool operator==(const TvData&, const TvData&) = default;
};

// The one lock of both shared records. The innermost of the filters' locks
// (after the filter, receive and bitmap locks); nothing is taken under it.
QRecursiveMutex& SharedRecordLock();
using TSharedRecordLocker = QMutexLocker<QRecursiveMutex>;

// The shared video record. Hold SharedRecordLock() while touching it.
TvData& VData();
// A copy of the shared video record, taken under the lock.
TvData VideoSnapshot();
// A copy of *record taken under the lock (for the address a WM_USER+3 message
// carries); an empty record for null.
TvData SnapshotOf(const TvData* record);

// The DV date and timecode of recent frames, by stream position (100-ns
// units): sample times begin again at every seek, and a frame read before
// a seek must still line up with the frames read after it. The notifier reads them before the
// decoder, ahead of the picture by the queues in between; the inlay draws
// those of the frame it draws. Hold SharedRecordLock() for both.
struct TDvFrameStamp {
    int64_t Start = 0;
    bool DatecodeValid = false;
    double Datecode = 0;
    bool TimecodeValid = false;
    std::array<uint8_t, 4> Timecode {};
    // How many frames of the same recorded second came before this one; -1
    // when the frame where that second began was not among those kept (the
    // start of a clip or of a seek), so its place in the second is unknown.
    // Set by FindDvFrame.
    int32_t FrameInSecond = -1;
};
void RememberDvFrame(const TDvFrameStamp& stamp);
// The stamp whose start is nearest `start`, within `tolerance` (half a
// frame), with its place in its recorded second.
bool FindDvFrame(int64_t start, int64_t tolerance, TDvFrameStamp& out);
void ForgetDvFrames();

// Datecode <-> date and time. The datecode counts days from 30 December 1899
// 00:00 (local, no time zone), the fraction being the time of day.
// DatecodeFromDateTime gives false for an invalid date or time.
bool DatecodeFromDateTime(const QDate& date, const QTime& time, double& out);
// Rounded to the millisecond; an invalid QDateTime for values outside the
// years 1 to 9999.
QDateTime DatecodeToDateTime(double datecode);
