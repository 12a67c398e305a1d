#include "prefs/TincrustRecParameter.h"

TincrustRecParameter::TincrustRecParameter(
    TparameterList& owner, const QString& key, const TincrustRec& defaultValue)
    : TParameter(owner, key)
    , Value(defaultValue)
    , Default(defaultValue)
{
}

void TincrustRecParameter::Read(TPreferenceReader& reader)
{
    Value = Default;
    try {
        Value = reader.ReadIncrustRec(Key(), Default);
    } catch (...) {
    }
}

void TincrustRecParameter::Write(TPreferenceWriter& writer)
{
    writer.WriteIncrustRec(Key(), Value);
}
