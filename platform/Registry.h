#pragma once
// An emulated registry: the two hives the application uses, kept as REGEDIT4
// text files so that they stay readable, editable and importable elsewhere.
//
// Keys and value names compare without regard to case; the stored spelling is
// the one first written. Paths use "\" as in the registry and may start with it.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

enum class RegHive { CurrentUser, LocalMachine };

enum class RegDataType : uint32_t {
    None = 0, // REG_NONE
    Sz = 1, // REG_SZ
    ExpandSz = 2, // REG_EXPAND_SZ
    Binary = 3, // REG_BINARY
    Dword = 4, // REG_DWORD
};

// Values of other registry types (REG_MULTI_SZ, REG_QWORD, ...) found in a
// hive keep their type number and their raw bytes, so that copying a key
// copies them unchanged.
struct RegValue {
    RegDataType type = RegDataType::None;
    QString text; // Sz, ExpandSz
    uint32_t dword = 0; // Dword
    QByteArray bytes; // Binary and every other type
};

// Accessor in the manner of a registry object: one root hive, one open key.
// Every operation works on the process-wide store of hives; writes are saved
// to disk at once (atomically), reads never throw.
class TRegistry
{
public:
    explicit TRegistry(RegHive root = RegHive::CurrentUser);
    ~TRegistry();

    RegHive RootKey() const { return m_root; }
    void SetRootKey(RegHive root);

    // Opens the key (relative to the open key unless it starts with "\").
    bool OpenKey(const QString& key, bool canCreate);
    bool OpenKeyReadOnly(const QString& key);
    void CloseKey();
    bool HasOpenKey() const { return !m_current.isEmpty() || m_open; }
    QString CurrentPath() const { return m_current; }

    bool KeyExists(const QString& key) const;
    // With every subkey below it; refused for the hive's root and while the open
    // key was opened read-only.
    bool DeleteKey(const QString& key);
    bool HasSubKeys() const;
    QStringList GetKeyNames() const; // subkeys of the open key, stored spelling
    QStringList GetValueNames() const; // values of the open key, stored spelling

    bool ValueExists(const QString& name) const;
    RegDataType GetDataType(const QString& name) const;
    std::optional<RegValue> ReadValue(const QString& name) const;
    // Writes fail on a key opened read-only, on a key deleted since it was
    // opened, for names holding line breaks or NUL, and when the hive cannot be
    // saved (the value is then kept in memory and saved with the next change).
    bool WriteValue(const QString& name, const RegValue& value);
    bool DeleteValue(const QString& name);

    // Typed helpers: std::nullopt when the value is absent or of another type.
    std::optional<QString> ReadString(const QString& name) const; // Sz or ExpandSz
    std::optional<uint32_t> ReadInteger(const QString& name) const;
    std::optional<QByteArray> ReadBinaryData(const QString& name) const;
    bool WriteString(const QString& name, const QString& value);
    bool WriteExpandString(const QString& name, const QString& value);
    bool WriteInteger(const QString& name, uint32_t value);
    bool WriteBinaryData(const QString& name, const QByteArray& value);

    // The folder holding the hive files: $STILLEX_REGISTRY_DIR when set, else
    // $XDG_CONFIG_HOME/Kestrine/registry.
    static QString StoreFolder();
    // Forgets the hives loaded in memory so the next access reads the files
    // again (tests switch folders with it).
    static void ResetForTests();

private:
    // The key's names below the root; nullopt for a path no key can have.
    std::optional<QStringList> pathOf(const QString& key) const;
    QStringList currentPath() const;

    RegHive m_root;
    QString m_current; // absolute path of the open key, without leading "\"
    bool m_open = false;
    bool m_readOnly = false;
};
