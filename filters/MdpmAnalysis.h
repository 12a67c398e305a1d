#pragma once
// The recording date that AVCHD camcorders put in every H.264 access unit: a
// "user data unregistered" SEI message with a fixed UUID whose payload,
// after the four letters "MDPM", is a count and that many five-byte tags
// (one tag byte, four data bytes). Tag 0x18 holds the time-zone byte and
// the year (two BCD bytes) and month; tag 0x19 the day, hour, minute and
// second, all BCD.
//
// Pure functions on a byte range that never read outside it and never
// allocate, so they run on every coded sample: a message that is short, of
// another UUID, damaged (a digit above 9, an impossible date) or cut inside
// a tag gives no date.

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::array<uint8_t, 16> MdpmUuid { 0x17, 0xEE, 0x8C, 0x60, 0xF8, 0x4D, 0x11, 0xD9, 0x8C,
    0xD6, 0x08, 0x00, 0x20, 0x0C, 0x9A, 0x66 };
inline constexpr uint8_t MdpmTagDate = 0x18; // zone, year high, year low, month
inline constexpr uint8_t MdpmTagTime = 0x19; // day, hour, minute, second
inline constexpr uint8_t H264NalSei = 6;
inline constexpr uint8_t H264SeiUserDataUnregistered = 5;

// The payload of one user-data-unregistered SEI message (UUID first): true
// with the recording date as a datecode (days since 30 December 1899, the
// fraction the time of day; the camcorder's local time, the zone byte is
// not applied) when it is an MDPM message holding both tags, valid.
bool ReadMdpmDate(const uint8_t* payload, size_t length, double& datecode);

// The first recording date of the SEI NAL units of one H.264 access unit in
// Annex B form (start codes). Only the NAL units before the first slice are
// looked at: an access unit's SEI precedes its picture, so the picture data
// is never scanned. The emulation-prevention bytes are removed on the way.
bool ReadH264RecordingDate(const uint8_t* data, size_t length, double& datecode);
