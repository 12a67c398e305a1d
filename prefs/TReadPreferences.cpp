#include "prefs/TReadPreferences.h"

TReadPreferences::TReadPreferences(const QString& storePath, TStoreMode mode)
    : m_storePath(storePath)
    , m_sectionHeader(QLatin1Char('[') + storePath + QLatin1Char(']'))
    , m_mode(mode)
{
}

int32_t TReadPreferences::ReadInteger(const QString&, int32_t defaultValue)
{
    return defaultValue;
}

bool TReadPreferences::ReadBool(const QString&, bool defaultValue)
{
    return defaultValue;
}

QString TReadPreferences::ReadString(const QString&, const QString& defaultValue)
{
    return defaultValue;
}

double TReadPreferences::ReadFloat(const QString&, double defaultValue)
{
    return defaultValue;
}

TfontRecord TReadPreferences::ReadFontRecord(const QString&, const TfontRecord& defaultValue)
{
    return defaultValue;
}

TincrustRec TReadPreferences::ReadIncrustRec(const QString&, const TincrustRec& defaultValue)
{
    return defaultValue;
}

std::unique_ptr<TPreferenceReader> OpenPreferenceReader(const QString& storePath, TStoreMode mode)
{
    return std::make_unique<TReadPreferences>(storePath, mode);
}
