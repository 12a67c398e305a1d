#pragma once

#include "prefs/TParameter.h"

#include <cstdint>

// A signed 32-bit integer preference.
class TIntegerParameter : public TParameter
{
public:
    using ValueType = int32_t;

    TIntegerParameter(TparameterList& owner, const QString& key, int32_t defaultValue);

    void Read(TPreferenceReader& reader) override;
    void Write(TPreferenceWriter& writer) override;

    ValueType Value;
    ValueType Default;
};
