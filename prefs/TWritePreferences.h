#pragma once

#include "prefs/StoreMode.h"
#include "prefs/TIniLines.h"
#include "prefs/TPreferenceWriter.h"

#include <memory>

class TRegistry;
class TRegistryBatch;
struct RegValue;

// The writer of one save, created for the store path and the store mode of
// that moment and freed after it; in smNone it writes nothing. Nothing
// reaches the disk before Close (or the writer's end): the registry hive and
// the ini file are each written whole into a new file that then replaces the
// old one, so a save that fails half way leaves the previous store as it was.
class TWritePreferences : public TPreferenceWriter
{
public:
    TWritePreferences(const QString& storePath, TStoreMode mode);
    ~TWritePreferences() override; // closes when Close was not called

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

    bool Close() override;
    QString FailureReason() const override { return m_failure; }

private:
    void integerAt(const QString& sub, const QString& name, int32_t value);
    void boolAt(const QString& sub, const QString& name, bool value);
    void stringAt(const QString& sub, const QString& name, const QString& value);
    void floatAt(const QString& sub, const QString& name, double value);
    void fontAt(const QString& sub, const TfontRecord& value);
    void registryValue(const QString& sub, const QString& name, const RegValue& value);
    void fail(const QString& reason);

    QString m_storePath;
    QString m_sectionHeader;
    TStoreMode m_mode;
    std::unique_ptr<TRegistryBatch> m_batch; // one save of the hive for the whole store
    std::unique_ptr<TRegistry> m_registry; // open on the store key
    std::unique_ptr<TIniLines> m_ini;
    bool m_closed = false;
    bool m_iniUnreadable = false; // a file is there that must not be replaced blind
    QString m_failure;
};

// The writer for a save into the store of `mode`. Never null.
std::unique_ptr<TPreferenceWriter> OpenPreferenceWriter(const QString& storePath, TStoreMode mode);
