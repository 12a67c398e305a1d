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

    void Read(TPreferenceReader& reader) override;
    void Write(TPreferenceWriter& writer) override;

    ValueType Value;
    ValueType Default;
};
