#include "prefs/TIntegerParameter.h"

TIntegerParameter::TIntegerParameter(TparameterList& owner, const QString& key, int32_t defaultValue)
    : TParameter(owner, key)
    , Value(defaultValue)
    , Default(defaultValue)
{
}

void TIntegerParameter::Read(TPreferenceReader& reader)
{
    Value = Default;
    try {
        const int32_t stored = reader.ReadInteger(Key(), Default);
        if (stored >= Min && stored <= Max) Value = stored;
    } catch (...) {
    }
}

void TIntegerParameter::Write(TPreferenceWriter& writer)
{
    writer.WriteInteger(Key(), Value);
}
