#include "prefs/TByteParameter.h"

TByteParameter::TByteParameter(TparameterList& owner, const QString& key, uint8_t defaultValue)
    : TParameter(owner, key)
    , Value(defaultValue)
    , Default(defaultValue)
{
}

void TByteParameter::Read(TPreferenceReader& reader)
{
    Value = Default;
    try {
        const auto stored = static_cast<uint8_t>(reader.ReadInteger(Key(), Default));
        if (stored >= Min && stored <= Max) Value = stored;
    } catch (...) {
    }
}

void TByteParameter::Write(TPreferenceWriter& writer)
{
    writer.WriteInteger(Key(), Value);
}
