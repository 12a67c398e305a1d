#pragma once

#include "prefs/StoreMode.h"
#include "prefs/TPreferenceWriter.h"

#include <memory>

// The writer of one save, created for the store path and the store mode of
// that moment and freed after it. It writes nothing: that is the whole
// behaviour of smNone, and the behaviour of any mode whose store is not
// available on this system.
class TWritePreferences : public TPreferenceWriter
{
public:
    TWritePreferences(const QString& storePath, TStoreMode mode);

    TStoreMode Mode() const { return m_mode; }
    QString StorePath() const { return m_storePath; }
    // The ini section holding the preferences: "[" + store path + "]".
    QString SectionHeader() const { return m_sectionHeader; }

    void WriteInteger(const QString& key, int32_t value) override;
    void WriteBool(const QString& key, bool value) override;
    void WriteString(const QString& key, const QString& value) override;
    void WriteFloat(const QString& key, double value) override;
    void WriteFontRecord(const QString& key, const TfontRecord& value) override;
    void WriteIncrustRec(const QString& key, const TincrustRec& value) override;

private:
    QString m_storePath;
    QString m_sectionHeader;
    TStoreMode m_mode;
};

// The writer for a save into the store of `mode`. Never null.
std::unique_ptr<TPreferenceWriter> OpenPreferenceWriter(const QString& storePath, TStoreMode mode);
