#pragma once
// Byte-level readers of the auxiliary data that DV frames and MPEG-2 sequence
// headers carry: recording date and time, timecode, standard, display aspect,
// audio parameters, picture size and frame rate. Pure functions on a byte
// range; they read a handful of fixed offsets and never allocate, so they can
// run on every sample of a stream.
//
// A DV frame is made of DIF sequences of 12,000 bytes (10 for 625-line PAL,
// 12 for 525-line NTSC; only the first ten are looked at). A sequence is read
// only when all of its 12,000 bytes are within the sample, so a short or cut
// sample never leads to a read past its end: what is missing counts as
// absent.

#include "filters/TvData.h"

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr size_t DvSequenceSize = 12000;
inline constexpr int DvSequencesRead = 10;

// Packs and the offsets, within a DIF sequence, where the analysis finds them.
namespace DvOffset
{
inline constexpr size_t Standard = 3; // header block: 0xBF PAL, 0x3F NTSC
inline constexpr size_t ApplicationId = 7; // header block, low 3 bits
inline constexpr size_t SubcodePack1 = 110; // timecode pack header (0x13)
inline constexpr size_t Timecode = 111; // frames, seconds, minutes, hours
inline constexpr size_t SubcodePack2 = 190; // second copy of the pack header
inline constexpr size_t VideoAuxPack = 453; // source control pack (0x61)
inline constexpr size_t DisplaySelect = 455; // low 3 bits
inline constexpr size_t DatePack = 458; // 0x62 or 0x00
inline constexpr size_t Date = 460; // day, month, year
inline constexpr size_t TimePack = 463; // 0x63 or 0x00
inline constexpr size_t Time = 465; // seconds, minutes, hours
inline constexpr size_t AudioAuxPack = 4323; // audio source pack (0x50)
inline constexpr size_t AudioSource = 4327; // bits 3-5 frequency, 0-2 quantisation
}

inline constexpr uint8_t DvPackTimecode = 0x13;
inline constexpr uint8_t DvPackAudioSource = 0x50;
inline constexpr uint8_t DvPackVideoControl = 0x61;
inline constexpr uint8_t DvPackRecordingDate = 0x62;
inline constexpr uint8_t DvPackRecordingTime = 0x63;

// Two BCD digits: units from the low nibble, tens from the bits of tensMask.
constexpr int DvBcd(uint8_t byte, uint8_t tensMask)
{
    return ((byte & tensMask) >> 4) * 10 + (byte & 0x0F);
}

// Whether both digits DvBcd reads are decimal digits. A nibble above 9 is a
// damaged pack, whose value (0x9F would read as 105) means nothing.
constexpr bool DvBcdDigits(uint8_t byte, uint8_t tensMask)
{
    return (byte & 0x0F) <= 9 && ((byte & tensMask) >> 4) <= 9;
}

enum class TDvDatecode {
    Absent, // no sequence carries the date and time packs
    Invalid, // packs found, but the values are no date and time
    Valid,
};

struct TDvVideoAux {
    uint8_t Standard = StandardUnknown;
    bool Wide = false; // 16:9
    TDvDatecode DatecodeState = TDvDatecode::Absent;
    double Datecode = 0; // days since 30 December 1899; set when Valid
    bool TimecodeValid = false;
    std::array<uint8_t, 4> Timecode {}; // hours, minutes, seconds, frames
};

// True when sequence 0 carries the video source control pack, the mark of a
// frame with auxiliary data; nothing else is worth reading otherwise.
bool DvHasAuxData(const uint8_t* frame, size_t length);

// Reads the video auxiliary data of one DV frame. False, with out untouched,
// when the frame has no auxiliary data (DvHasAuxData). The standard is read
// from the header block (meaningful for interleaved, type 1, streams).
bool ReadDvVideoAux(const uint8_t* frame, size_t length, TDvVideoAux& out);

// Sampling rate and bits per sample of the DV audio: 48000, 44100, 32000 or 0
// for another code, 16, 12 or 0; both -1 when sequence 0 has no audio source
// pack. False, with the values untouched, without auxiliary data.
bool ReadDvAudioAux(const uint8_t* frame, size_t length, int32_t& sampleRate, int32_t& bitsPerSample);

// The datecode of a DV date and time (two-digit year: below 40 is 20xx,
// else 19xx). False when the values are no valid date and time.
bool DvDatecode(int day, int month, int twoDigitYear, int hours, int minutes, int seconds, double& out);

struct TMpeg2SequenceHeader {
    uint32_t Width = 0;
    uint32_t Height = 0;
    int AspectCode = 0; // 2 = 4:3, 3 = 16:9
    int FrameRateCode = 0;
    uint8_t Aspect = AspectUnknown;
    double FramesPerSecond = 0; // 0 for an unknown code
};

// Reads the sequence header a sample starts with. False, with out untouched,
// when the sample is shorter than eight bytes or does not start with
// 00 00 01 B3.
bool ReadMpeg2SequenceHeader(const uint8_t* data, size_t length, TMpeg2SequenceHeader& out);

// Frames per second of an MPEG-2 frame-rate code; 0 for an unknown code.
double Mpeg2FrameRate(int code);
