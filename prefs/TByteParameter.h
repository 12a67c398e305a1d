#pragma once

#include "prefs/TParameter.h"

#include <cstdint>

// An 8-bit preference kept in the store as an integer. Only the low 8 bits
// of what is read are kept, so a stored 257 reads as 1.
class TByteParameter : public TParameter
{
public:
    using ValueType = uint8_t;

    TByteParameter(TparameterList& owner, const QString& key, uint8_t defaultValue);

    // Stored values outside [min, max] read as the default: a hand-edited or
    // foreign store must not hand the rest of the system a value it cannot
    // take (a quality of 0, an eighth panel).
    void SetRange(uint8_t min, uint8_t max)
    {
        Min = min;
        Max = max;
    }

    void Read(TPreferenceReader& reader) override;
    void Write(TPreferenceWriter& writer) override;

    ValueType Value;
    ValueType Default;
    ValueType Min = 0;
    ValueType Max = 255;
};
