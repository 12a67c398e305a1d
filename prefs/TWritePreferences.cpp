#include "prefs/TWritePreferences.h"

TWritePreferences::TWritePreferences(const QString& storePath, TStoreMode mode)
    : m_storePath(storePath)
    , m_sectionHeader(QLatin1Char('[') + storePath + QLatin1Char(']'))
    , m_mode(mode)
{
}

void TWritePreferences::WriteInteger(const QString&, int32_t) { }

void TWritePreferences::WriteBool(const QString&, bool) { }

void TWritePreferences::WriteString(const QString&, const QString&) { }

void TWritePreferences::WriteFloat(const QString&, double) { }

void TWritePreferences::WriteFontRecord(const QString&, const TfontRecord&) { }

void TWritePreferences::WriteIncrustRec(const QString&, const TincrustRec&) { }

std::unique_ptr<TPreferenceWriter> OpenPreferenceWriter(const QString& storePath, TStoreMode mode)
{
    return std::make_unique<TWritePreferences>(storePath, mode);
}
