#pragma once

#include "prefs/TParameter.h"

// A yes-or-no preference.
class TBooleanParameter : public TParameter
{
public:
    using ValueType = bool;

    TBooleanParameter(TparameterList& owner, const QString& key, bool defaultValue);

    void Read(TPreferenceReader& reader) override;
    void Write(TPreferenceWriter& writer) override;

    ValueType Value;
    ValueType Default;
};
