#include "filters/DvAnalysis.h"

#include "filters/TvData.h"

namespace
{

// Sequences wholly inside the sample, at most the ten the analysis reads.
int sequencesPresent(const uint8_t* frame, size_t length)
{
    if (!frame) return 0;
    const size_t whole = length / DvSequenceSize;
    return whole < size_t(DvSequencesRead) ? int(whole) : DvSequencesRead;
}

const uint8_t* sequence(const uint8_t* frame, int i)
{
    return frame + size_t(i) * DvSequenceSize;
}

bool isWide(const uint8_t* s)
{
    const int display = s[DvOffset::DisplaySelect] & 7;
    return display == 2 || (display == 7 && (s[DvOffset::ApplicationId] & 7) == 0);
}

} // namespace

bool DvHasAuxData(const uint8_t* frame, size_t length)
{
    return sequencesPresent(frame, length) > 0 && frame[DvOffset::VideoAuxPack] == DvPackVideoControl;
}

bool DvDatecode(int day, int month, int twoDigitYear, int hours, int minutes, int seconds, double& out)
{
    const int year = twoDigitYear < 40 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hours, minutes, seconds, 0)) return false;
    return DatecodeFromDateTime(QDate(year, month, day), QTime(hours, minutes, seconds), out);
}

bool ReadDvVideoAux(const uint8_t* frame, size_t length, TDvVideoAux& out)
{
    if (!DvHasAuxData(frame, length)) return false;
    const int count = sequencesPresent(frame, length);
    TDvVideoAux aux;

    const uint8_t standard = frame[DvOffset::Standard];
    aux.Standard = standard == 0xBF ? StandardPal : (standard == 0x3F ? StandardNtsc : StandardUnknown);

    for (int i = 0; i < count; ++i) {
        const uint8_t* s = sequence(frame, i);
        if (s[DvOffset::VideoAuxPack] == DvPackVideoControl) {
            aux.Wide = isWide(s);
            break;
        }
    }

    for (int i = 0; i < count; ++i) {
        const uint8_t* s = sequence(frame, i);
        const uint8_t datePack = s[DvOffset::DatePack];
        const uint8_t timePack = s[DvOffset::TimePack];
        if ((datePack != DvPackRecordingDate && datePack != 0)
            || (timePack != DvPackRecordingTime && timePack != 0))
            continue;
        const uint8_t* d = s + DvOffset::Date;
        const uint8_t* t = s + DvOffset::Time;
        double datecode = 0;
        const bool digits = DvBcdDigits(d[0], 0x30) && DvBcdDigits(d[1], 0x10) && DvBcdDigits(d[2], 0xF0)
            && DvBcdDigits(t[2], 0x30) && DvBcdDigits(t[1], 0x70) && DvBcdDigits(t[0], 0x70);
        if (digits
            && DvDatecode(DvBcd(d[0], 0x30), DvBcd(d[1], 0x10), DvBcd(d[2], 0xF0), DvBcd(t[2], 0x30),
                DvBcd(t[1], 0x70), DvBcd(t[0], 0x70), datecode)) {
            aux.DatecodeState = TDvDatecode::Valid;
            aux.Datecode = datecode;
        } else {
            aux.DatecodeState = TDvDatecode::Invalid;
        }
        break;
    }

    for (int i = 0; i < count; ++i) {
        const uint8_t* s = sequence(frame, i);
        if (s[DvOffset::SubcodePack1] != DvPackTimecode || s[DvOffset::SubcodePack2] != DvPackTimecode)
            continue;
        const uint8_t* tc = s + DvOffset::Timecode;
        // As for the date, the first sequence with both packs decides.
        if (!DvBcdDigits(tc[3], 0x30) || !DvBcdDigits(tc[2], 0x70) || !DvBcdDigits(tc[1], 0x70)
            || !DvBcdDigits(tc[0], 0x30))
            break;
        aux.TimecodeValid = true;
        aux.Timecode[TimecodeHours] = uint8_t(DvBcd(tc[3], 0x30));
        aux.Timecode[TimecodeMinutes] = uint8_t(DvBcd(tc[2], 0x70));
        aux.Timecode[TimecodeSeconds] = uint8_t(DvBcd(tc[1], 0x70));
        aux.Timecode[TimecodeFrames] = uint8_t(DvBcd(tc[0], 0x30));
        break;
    }

    out = aux;
    return true;
}

bool ReadDvAudioAux(const uint8_t* frame, size_t length, int32_t& sampleRate, int32_t& bitsPerSample)
{
    if (!DvHasAuxData(frame, length)) return false;
    if (frame[DvOffset::AudioAuxPack] != DvPackAudioSource) {
        sampleRate = -1;
        bitsPerSample = -1;
        return true;
    }
    const uint8_t source = frame[DvOffset::AudioSource];
    switch ((source >> 3) & 7) {
    case 0:
        sampleRate = 48000;
        break;
    case 1:
        sampleRate = 44100;
        break;
    case 2:
        sampleRate = 32000;
        break;
    default:
        sampleRate = 0;
        break;
    }
    switch (source & 7) {
    case 0:
        bitsPerSample = 16;
        break;
    case 1:
        bitsPerSample = 12;
        break;
    default:
        bitsPerSample = 0;
        break;
    }
    return true;
}

double Mpeg2FrameRate(int code)
{
    switch (code) {
    case 1:
        return 24000.0 / 1001.0;
    case 2:
        return 24;
    case 3:
        return 25;
    case 4:
        return 30000.0 / 1001.0;
    case 5:
        return 30;
    case 6:
        return 50;
    case 7:
        return 60000.0 / 1001.0;
    case 8:
        return 60;
    default:
        return 0;
    }
}

bool ReadMpeg2SequenceHeader(const uint8_t* data, size_t length, TMpeg2SequenceHeader& out)
{
    if (!data || length < 8) return false;
    if (data[0] != 0 || data[1] != 0 || data[2] != 1 || data[3] != 0xB3) return false;
    TMpeg2SequenceHeader h;
    h.Width = uint32_t(data[4]) * 16 + (data[5] >> 4);
    h.Height = uint32_t(data[5] & 0x0F) * 256 + data[6];
    h.AspectCode = data[7] >> 4;
    h.FrameRateCode = data[7] & 0x0F;
    h.Aspect = h.AspectCode == 2 ? AspectNormal : (h.AspectCode == 3 ? AspectWide : AspectUnknown);
    h.FramesPerSecond = Mpeg2FrameRate(h.FrameRateCode);
    out = h;
    return true;
}
