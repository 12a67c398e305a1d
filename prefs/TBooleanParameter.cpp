#include "prefs/TBooleanParameter.h"

TBooleanParameter::TBooleanParameter(TparameterList& owner, const QString& key, bool defaultValue)
    : TParameter(owner, key)
    , Value(defaultValue)
    , Default(defaultValue)
{
}

void TBooleanParameter::Read(TPreferenceReader& reader)
{
    Value = Default;
    try {
        Value = reader.ReadBool(Key(), Default);
    } catch (...) {
    }
}

void TBooleanParameter::Write(TPreferenceWriter& writer)
{
    writer.WriteBool(Key(), Value);
}
