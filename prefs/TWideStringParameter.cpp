#include "prefs/TWideStringParameter.h"

#include "prefs/StoreMode.h"

TWideStringParameter::TWideStringParameter(
    TparameterList& owner, const QString& key, const QString& defaultValue)
    : TParameter(owner, key)
    , Value(defaultValue)
    , Default(defaultValue)
{
}

void TWideStringParameter::Read(TPreferenceReader& reader)
{
    Value = Default;
    try {
        QString stored = reader.ReadString(Key(), Default);
        // The marker is how an emptied text was saved; an empty text would
        // leave a name or a folder blank, so both give the default back.
        if (!stored.isEmpty() && stored != EmptyStringMarker) Value = stored;
    } catch (...) {
    }
}

void TWideStringParameter::Write(TPreferenceWriter& writer)
{
    writer.WriteString(Key(), Value.isEmpty() ? EmptyStringMarker : Value);
}
