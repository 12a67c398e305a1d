#pragma once
// Synthetic DV frames, real DV frames read from the generated files, and a
// window that records the description messages, for the notifier tests.

#include "filters/DvAnalysis.h"
#include "filters/TNotifier.h"
#include "platform/WindowMessages.h"

#include <QCoreApplication>
#include <QFile>
#include <QObject>
#include <cstdint>
#include <vector>

inline uint8_t Bcd(int value)
{
    return uint8_t(((value / 10) << 4) | (value % 10));
}

// A DV frame of `sequences` DIF sequences filled with 0xFF (the value of
// empty packs), with the source control pack in every sequence, display
// select 0 (4:3) and the given standard byte.
class TDvFrameBuilder
{
public:
    explicit TDvFrameBuilder(int sequences = 10, uint8_t standard = 0xBF)
        : Bytes(size_t(sequences) * DvSequenceSize, 0xFF)
    {
        Bytes[DvOffset::Standard] = standard;
        for (int i = 0; i < sequences; ++i) {
            Seq(i)[DvOffset::ApplicationId] = 0x78;
            Seq(i)[DvOffset::VideoAuxPack] = DvPackVideoControl;
            Seq(i)[DvOffset::DisplaySelect] = 0xC8;
        }
    }

    uint8_t* Seq(int i) { return Bytes.data() + size_t(i) * DvSequenceSize; }

    TDvFrameBuilder& DisplaySelect(int mode, int sequence = 0)
    {
        Seq(sequence)[DvOffset::DisplaySelect] = uint8_t(0xC8 | mode);
        return *this;
    }
    // Raw bytes, for the masks and the pack headers.
    TDvFrameBuilder& DateBytes(uint8_t day, uint8_t month, uint8_t year, uint8_t hours, uint8_t minutes,
        uint8_t seconds, int sequence = 0, uint8_t dateHeader = DvPackRecordingDate,
        uint8_t timeHeader = DvPackRecordingTime)
    {
        uint8_t* s = Seq(sequence);
        s[DvOffset::DatePack] = dateHeader;
        s[DvOffset::Date] = day;
        s[DvOffset::Date + 1] = month;
        s[DvOffset::Date + 2] = year;
        s[DvOffset::TimePack] = timeHeader;
        s[DvOffset::Time] = seconds;
        s[DvOffset::Time + 1] = minutes;
        s[DvOffset::Time + 2] = hours;
        return *this;
    }
    TDvFrameBuilder& Date(int day, int month, int year, int hours, int minutes, int seconds, int sequence = 0)
    {
        return DateBytes(
            Bcd(day), Bcd(month), Bcd(year % 100), Bcd(hours), Bcd(minutes), Bcd(seconds), sequence);
    }
    TDvFrameBuilder& Timecode(
        int hours, int minutes, int seconds, int frames, int sequence = 0, bool secondPack = true)
    {
        uint8_t* s = Seq(sequence);
        s[DvOffset::SubcodePack1] = DvPackTimecode;
        if (secondPack) s[DvOffset::SubcodePack2] = DvPackTimecode;
        s[DvOffset::Timecode] = Bcd(frames);
        s[DvOffset::Timecode + 1] = Bcd(seconds);
        s[DvOffset::Timecode + 2] = Bcd(minutes);
        s[DvOffset::Timecode + 3] = Bcd(hours);
        return *this;
    }
    TDvFrameBuilder& Audio(int frequencyCode, int quantisationCode)
    {
        Bytes[DvOffset::AudioAuxPack] = DvPackAudioSource;
        Bytes[DvOffset::AudioSource] = uint8_t(0xC0 | (frequencyCode << 3) | quantisationCode);
        return *this;
    }

    std::vector<uint8_t> Bytes;
};

// The first `count` frames of a raw DV file (fewer when the file is shorter).
inline std::vector<std::vector<uint8_t>> ReadDvFrames(const QString& path, int count)
{
    std::vector<std::vector<uint8_t>> frames;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return frames;
    const QByteArray head = file.peek(4);
    // The standard bit of the first header block gives the frame size.
    const qint64 frameSize = head.size() == 4 && (uint8_t(head[3]) & 0x80) ? 144000 : 120000;
    for (int i = 0; i < count; ++i) {
        const QByteArray bytes = file.read(frameSize);
        if (bytes.size() != frameSize) break;
        frames.emplace_back(bytes.begin(), bytes.end());
    }
    return frames;
}

// A main window stand-in: records every window message with a copy of the
// record its lParam points to, taken as the real window does.
class TDescriptionRecorder : public QObject, public TMessageTarget
{
public:
    struct TMessage {
        unsigned Msg;
        quintptr WParam;
        qintptr LParam;
        TvData Video;
        TaData Audio;
    };

    bool event(QEvent* e) override { return DispatchWindowMessage(this, e) || QObject::event(e); }
    qintptr WindowMessage(unsigned msg, quintptr wParam, qintptr lParam) override
    {
        TMessage m { msg, wParam, lParam, {}, {} };
        if (msg == WM_STREAMDESCRIPTION && wParam == StreamDescriptionVideo)
            m.Video = SnapshotOf(reinterpret_cast<const TvData*>(lParam));
        if (msg == WM_STREAMDESCRIPTION && wParam == StreamDescriptionAudio)
            m.Audio = SnapshotOf(reinterpret_cast<const TaData*>(lParam));
        Messages.push_back(m);
        return 0;
    }
    // Handles what was posted so far and returns the messages, then forgets them.
    std::vector<TMessage> Take()
    {
        QCoreApplication::sendPostedEvents(this);
        std::vector<TMessage> out;
        out.swap(Messages);
        return out;
    }

    std::vector<TMessage> Messages;
};

// Makes the recorder the main window for the life of the scope.
class TMainWindowScope
{
public:
    explicit TMainWindowScope(QObject* window) { TBCBaseFilter::SetMainWindow(window); }
    ~TMainWindowScope() { TBCBaseFilter::SetMainWindow(nullptr); }
};
