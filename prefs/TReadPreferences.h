#pragma once

#include "prefs/StoreMode.h"
#include "prefs/TIniLines.h"
#include "prefs/TPreferenceReader.h"

#include <memory>
#include <optional>

class TRegistry;
struct RegValue;

// The reader of one load, created for the store path and the store mode of
// that moment and freed after it. In smNone, and when the store cannot be
// opened, every value is its default; so is any value that is missing or of
// another kind than asked for.
class TReadPreferences : public TPreferenceReader
{
public:
    TReadPreferences(const QString& storePath, TStoreMode mode);
    ~TReadPreferences() override;

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
    // Values of a record live below the store key (a subkey in the
    // registry, "sub\name" keys in the ini file); `sub` is empty for the
    // store key itself.
    int32_t integerAt(const QString& sub, const QString& name, int32_t defaultValue);
    bool boolAt(const QString& sub, const QString& name, bool defaultValue);
    QString stringAt(const QString& sub, const QString& name, const QString& defaultValue);
    double floatAt(const QString& sub, const QString& name, double defaultValue);
    TfontRecord fontAt(const QString& sub, const TfontRecord& defaultValue);
    bool recordExists(const QString& sub) const;
    std::optional<RegValue> registryValue(const QString& sub, const QString& name) const;
    std::optional<QString> iniValue(const QString& sub, const QString& name) const;

    QString m_storePath;
    QString m_sectionHeader;
    TStoreMode m_mode;
    std::unique_ptr<TRegistry> m_registry; // open on the store key
    std::unique_ptr<TIniLines> m_ini;
};

// The reader for a load from the store of `mode`. Never null.
std::unique_ptr<TPreferenceReader> OpenPreferenceReader(const QString& storePath, TStoreMode mode);

// The 8 bytes of a double in little-endian order, as the registry keeps
// floating-point preferences, and back (nothing for another size or a value
// that is not a finite number).
QByteArray DoubleToBytes(double value);
std::optional<double> DoubleFromBytes(const QByteArray& bytes);
// A double in the ini file: up to 15 significant digits, the system's
// decimal separator; reading takes either separator.
QString DoubleToIniText(double value);
std::optional<double> DoubleFromIniText(const QString& text);
