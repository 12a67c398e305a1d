#pragma once
// The splitter and the two decoders that a user installs besides the system
// (one splitter for Matroska, MP4 and transport streams, one video and one
// audio decoder for compressed formats). Several parts of the program ask for
// them by name and class identifier; here is what stands in for them on this
// platform, and whether they are there.
//
// The splitter reads Matroska/WebM, MP4/MOV/3GP/M4V and MPEG transport
// streams (tsdemux, also with 192-byte packets) and gives one output pin per
// elementary stream. The decoders are bins on the libav decoders, with a
// parser in front where the stream needs one, giving RGB32 video and 16-bit
// PCM audio: the chains are closed on sinks that take only those.

#include "graph/Guid.h"
#include "graph/TGraphFilter.h"

#include <QString>
#include <memory>

inline constexpr GUID CLSID_HaaliMediaSplitter { 0x55DA30FC, 0xF16B, 0x49FC,
    { 0xBA, 0xA5, 0xAE, 0x59, 0xFC, 0x65, 0xF8, 0x2D } };
inline constexpr GUID CLSID_FfdshowVideoDecoder { 0x04FE9017, 0xF873, 0x410E,
    { 0x87, 0x1E, 0xAB, 0x91, 0x66, 0x1A, 0x4E, 0xF7 } };
inline constexpr GUID CLSID_FfdshowAudioDecoder { 0x0F40E1E5, 0x4F79, 0x4988,
    { 0xB1, 0xA9, 0xCC, 0x98, 0x79, 0x4E, 0x6B, 0x55 } };

inline const QString HaaliSplitterName = QStringLiteral("Haali Media Splitter");
inline const QString FfdshowVideoName = QStringLiteral("ffdshow Video Decoder");
inline const QString FfdshowAudioName = QStringLiteral("ffdshow Audio Decoder");

// Set once at start by DetectInstalledFilters; read everywhere else. Tests
// may clear them to see the program without the filters.
extern bool HaaliPresent;
extern bool FfdshowVideoPresent;
extern bool FfdshowAudioPresent;

// Makes the three known to the platform filters (their class identifiers and
// monikers then create them), then tries to create each and sets its flag.
void DetectInstalledFilters();

// nullptr when the GStreamer plugins they are made of are missing.
std::shared_ptr<TGraphFilter> CreateHaaliSplitter();
std::shared_ptr<TGraphFilter> CreateFfdshowVideoDecoder();
std::shared_ptr<TGraphFilter> CreateFfdshowAudioDecoder();

// What the splitter does with a file of this GStreamer type: the demuxer
// factory it uses, or nullptr when it does not read the type.
const char* HaaliSplitterFor(const GstCaps* type);

// The settings the splitter and the decoders keep in the registry (see
// TFilterPresets), as the stand-ins read them when they are made or meet a
// file. Whether the splitter reads the kind of file of this value of its
// machine key ("rts" 188-byte transport streams, "rm2ts" 192-byte ones,
// "rmp4" MP4 and QuickTime): a value of 0 says no, anything else or none yes.
bool SplitterReads(const char* valueName);
// The types the decoder pack was told not to decode (a format's value 0 in
// its key), as caps text; empty when none.
QString DecoderPackRefuses(bool video);
