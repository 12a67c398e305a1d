#pragma once
// Names of wave format tags, shown (cut to four characters) in the audio label.

#include <QByteArray>
#include <cstdint>
#include <span>

struct TWaveFormatNameEntry {
    uint16_t tag;
    const char* name;
};

// The name of a 16-bit wave format tag, or empty for a tag the table lacks.
QByteArray WaveFormatName(uint16_t tag);

// The whole table, sorted by tag, one entry per tag.
std::span<const TWaveFormatNameEntry> WaveFormatNameTable();
