#pragma once

#include "prefs/TParameter.h"

// A text preference. An empty text is never kept: it reads back as the default.
class TWideStringParameter : public TParameter
{
public:
    using ValueType = QString;

    TWideStringParameter(TparameterList& owner, const QString& key, const QString& defaultValue);

    void Read(TPreferenceReader& reader) override;
    void Write(TPreferenceWriter& writer) override;

    ValueType Value;
    ValueType Default;
};
