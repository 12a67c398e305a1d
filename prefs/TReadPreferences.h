#pragma once

#include "prefs/StoreMode.h"
#include "prefs/TPreferenceReader.h"

#include <memory>

// The reader of one load, created for the store path and the store mode of
// that moment and freed after it. It reads nothing: every value is its
// default. That is the whole behaviour of smNone, and the behaviour of any
// mode whose store is not available on this system.
class TReadPreferences : public TPreferenceReader
{
public:
    TReadPreferences(const QString& storePath, TStoreMode mode);

    TStoreMode Mode() const { return m_mode; }
    QString StorePath() const { return m_storePath; }
    // The ini section holding the preferences: "[" + store path + "]".
    QString SectionHeader() const { return m_sectionHeader; }

    int32_t ReadInteger(const QString& key, int32_t defaultValue) override;
    bool ReadBool(const QString& key, bool defaultValue) override;
    QString ReadString(const QString& key, const QString& defaultValue) override;
    double ReadFloat(const QString& key, double defaultValue) override;
    TfontRecord ReadFontRecord(const QString& key, const TfontRecord& defaultValue) override;
    TincrustRec ReadIncrustRec(const QString& key, const TincrustRec& defaultValue) override;

private:
    QString m_storePath;
    QString m_sectionHeader;
    TStoreMode m_mode;
};

// The reader for a load from the store of `mode`. Never null.
std::unique_ptr<TPreferenceReader> OpenPreferenceReader(const QString& storePath, TStoreMode mode);
