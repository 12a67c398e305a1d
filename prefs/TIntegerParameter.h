#pragma once

#include "prefs/TParameter.h"

#include <cstdint>

// A signed 32-bit integer preference.
class TIntegerParameter : public TParameter
{
public:
    using ValueType = int32_t;

    TIntegerParameter(TparameterList& owner, const QString& key, int32_t defaultValue);

    // Stored values outside [min, max] read as the default: a hand-edited or
    // foreign store must not hand the rest of the system a value it cannot
    // take (a quality of 0, an eighth panel).
    void SetRange(int32_t min, int32_t max)
    {
        Min = min;
        Max = max;
    }

    void Read(TPreferenceReader& reader) override;
    void Write(TPreferenceWriter& writer) override;

    ValueType Value;
    ValueType Default;
    ValueType Min = INT32_MIN;
    ValueType Max = INT32_MAX;
};
