#pragma once

#include "inlay/TincrustRec.h"
#include "prefs/TParameter.h"

// The inlay settings record, stored field by field.
class TincrustRecParameter : public TParameter
{
public:
    using ValueType = TincrustRec;

    TincrustRecParameter(TparameterList& owner, const QString& key, const TincrustRec& defaultValue);

    void Read(TPreferenceReader& reader) override;
    void Write(TPreferenceWriter& writer) override;

    ValueType Value;
    ValueType Default;
};
