#include "graph/CapsMapping.h"

#include <climits>
#include <cstring>

namespace CapsMapping
{

// ---------------------------------------------------------------------------
// Reading caps fields. Fields that are absent, of another type or not fixed
// (lists, ranges) read as absent.

bool getInt(const GstStructure* s, const char* name, int& value)
{
    const GValue* v = gst_structure_get_value(s, name);
    if (!v) return false;
    if (G_VALUE_HOLDS_INT(v)) {
        value = g_value_get_int(v);
        return true;
    }
    if (G_VALUE_HOLDS_UINT(v) && g_value_get_uint(v) <= guint(INT_MAX)) {
        value = int(g_value_get_uint(v));
        return true;
    }
    return false;
}

int getPositiveInt(const GstStructure* s, const char* name)
{
    int value = 0;
    return getInt(s, name, value) && value > 0 ? value : 0;
}

bool getFraction(const GstStructure* s, const char* name, int& num, int& den)
{
    const GValue* v = gst_structure_get_value(s, name);
    if (!v || !GST_VALUE_HOLDS_FRACTION(v)) return false;
    num = gst_value_get_fraction_numerator(v);
    den = gst_value_get_fraction_denominator(v);
    return den > 0;
}

Bytes getCodecData(const GstStructure* s)
{
    const GValue* v = gst_structure_get_value(s, "codec_data");
    if (!v || !GST_VALUE_HOLDS_BUFFER(v)) return {};
    GstBuffer* buffer = gst_value_get_buffer(v);
    GstMapInfo map;
    if (!buffer || !gst_buffer_map(buffer, &map, GST_MAP_READ)) return {};
    Bytes bytes(map.data, map.data + map.size);
    gst_buffer_unmap(buffer, &map);
    return bytes;
}

uint32_t bitRateFromCaps(const GstStructure* s)
{
    const GValue* v = gst_structure_get_value(s, "bitrate");
    if (v && G_VALUE_HOLDS_INT(v) && g_value_get_int(v) > 0) return uint32_t(g_value_get_int(v));
    if (v && G_VALUE_HOLDS_UINT(v)) return g_value_get_uint(v);
    return 0;
}

bool stringIs(const GstStructure* s, const char* name, const char* expected)
{
    const char* value = gst_structure_get_string(s, name);
    return value && std::strcmp(value, expected) == 0;
}

bool structureMatches(const GstStructure* s, const char* pattern)
{
    const char* comma = std::strchr(pattern, ',');
    const size_t nameLength = comma ? size_t(comma - pattern) : std::strlen(pattern);
    const char* name = gst_structure_get_name(s);
    if (std::strlen(name) != nameLength || std::strncmp(name, pattern, nameLength) != 0) return false;
    if (!comma) return true;
    GstStructure* p = gst_structure_from_string(pattern, nullptr);
    if (!p) return false;
    const bool match = gst_structure_is_subset(s, p);
    gst_structure_free(p);
    return match;
}

// ---------------------------------------------------------------------------
// Writing caps fields.

void setInt(GstStructure* s, const char* name, int value)
{
    gst_structure_set(s, name, G_TYPE_INT, value, nullptr);
}

void setFraction(GstStructure* s, const char* name, int num, int den)
{
    gst_structure_set(s, name, GST_TYPE_FRACTION, num, den, nullptr);
}

void setString(GstStructure* s, const char* name, const char* value)
{
    gst_structure_set(s, name, G_TYPE_STRING, value, nullptr);
}

void setCodecData(GstStructure* s, const Bytes& bytes)
{
    if (bytes.empty()) return;
    GstBuffer* buffer = gst_buffer_new_memdup(bytes.data(), bytes.size());
    gst_structure_set(s, "codec_data", GST_TYPE_BUFFER, buffer, nullptr);
    gst_buffer_unref(buffer);
}

GstCaps* capsOf(GstStructure* s)
{
    return s ? gst_caps_new_full(s, nullptr) : nullptr;
}

// ---------------------------------------------------------------------------
// Format block bytes.

uint32_t clampToU32(uint64_t value)
{
    return value > UINT32_MAX ? UINT32_MAX : uint32_t(value);
}

} // namespace CapsMapping
