#pragma once
// The pieces the caps <-> media type mapping is made of, shared by its video
// and audio halves (CapsVideo.cpp, CapsAudio.cpp) and the dispatch in
// CapsMediaType.cpp. Not for use outside the mapping.

#include "graph/TMediaType.h"

#include <cstdint>
#include <gst/gst.h>
#include <vector>

namespace CapsMapping
{

using Bytes = std::vector<uint8_t>;

// Reading caps fields. Fields that are absent, of another type or not fixed
// (lists, ranges) read as absent.
bool getInt(const GstStructure* s, const char* name, int& value);
int getPositiveInt(const GstStructure* s, const char* name);
bool getFraction(const GstStructure* s, const char* name, int& num, int& den);
Bytes getCodecData(const GstStructure* s);
uint32_t bitRateFromCaps(const GstStructure* s); // 0 when absent
bool stringIs(const GstStructure* s, const char* name, const char* expected);
// True when s has the media name of pattern and every field of pattern with a
// value that lies within the pattern's value. Patterns are caps strings.
bool structureMatches(const GstStructure* s, const char* pattern);

// Writing caps fields.
void setInt(GstStructure* s, const char* name, int value);
void setFraction(GstStructure* s, const char* name, int num, int den);
void setString(GstStructure* s, const char* name, const char* value);
void setCodecData(GstStructure* s, const Bytes& bytes);
GstCaps* capsOf(GstStructure* s);

// Format block bytes.
template <class T> void append(Bytes& block, const T& value)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    block.insert(block.end(), p, p + sizeof(T));
}
uint32_t clampToU32(uint64_t value);

// Video (CapsVideo.cpp).
bool rawVideoFromCaps(const GstStructure* s, TMediaType& out);
bool isDvSubtype(const GUID& sub);
bool dvFromCaps(const GstStructure* s, TMediaType& out);
GstCaps* dvCaps(const TMediaType& mt, bool system);
bool mpegVideoFromCaps(const GstStructure* s, int version, TMediaType& out);
bool codecVideoFromCaps(const GstStructure* s, TMediaType& out);
GstCaps* videoCaps(const TMediaType& mt);

// Audio (CapsAudio.cpp).
bool rawAudioFromCaps(const GstStructure* s, TMediaType& out);
bool mpegAudioFromCaps(const GstStructure* s, TMediaType& out);
bool lpcmFromCaps(const GstStructure* s, TMediaType& out);
bool tableAudioFromCaps(const GstStructure* s, TMediaType& out);
GstCaps* audioCaps(const TMediaType& mt);

} // namespace CapsMapping
