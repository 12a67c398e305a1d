#pragma once
// The process-wide store behind every registry accessor: the two hives, each
// loaded from its file on first use and written back after every change.
//
// A hive file that cannot be read leaves its hive empty (or holding what could
// be read) and is left untouched until something is written; it is then moved
// aside as "<name>.reg.bad" (".bad.2", ... when taken) so that nothing the user
// had is destroyed. Files are replaced atomically, never rewritten in place.

#include "platform/RegKeyNode.h"
#include "platform/Registry.h"

#include <QStringList>
#include <memory>
#include <mutex>
#include <optional>

class TRegistryStore
{
public:
    static TRegistryStore& Instance();

    // Paths are lists of key names below the hive root. Platform-provided
    // values (TPlatformValues) are merged into what is read.
    bool KeyExists(RegHive hive, const QStringList& path);
    bool CreateKey(RegHive hive, const QStringList& path);
    bool DeleteKey(RegHive hive, const QStringList& path);
    QStringList SubKeyNames(RegHive hive, const QStringList& path);
    QStringList ValueNames(RegHive hive, const QStringList& path);
    std::optional<RegValue> ReadValue(RegHive hive, const QStringList& path, const QString& name);
    // Fails when the key does not exist (it may have been deleted under an
    // accessor that still has it open) or the hive cannot be saved.
    bool WriteValue(RegHive hive, const QStringList& path, const QString& name, const RegValue& value);
    bool DeleteValue(RegHive hive, const QStringList& path, const QString& name);

    // While a batch is open, changes stay in memory; the hives changed are
    // saved when the outermost batch ends. Returns whether those saves worked.
    void BeginBatch();
    bool EndBatch();
    // Why the last save that failed did: the file or folder, ": ", and the
    // system's reason.
    QString LastSaveError();

    void Reset();

    // A hive the user may not change, as the machine hive is to a user
    // without administrator rights: every change to it is refused (as a
    // failed save, with its reason) and leaves it as it was. The emulated
    // registry grants every right until told otherwise.
    void SetReadOnly(RegHive hive, bool readOnly);

    static QString HiveName(RegHive hive);
    static QString HiveFilePath(RegHive hive);

private:
    struct THive {
        bool loaded = false;
        QString filePath;
        std::unique_ptr<TRegKeyNode> root;
        bool keepBadCopy = false; // the file on disk holds what we could not read
        bool dirty = false; // the last save failed
        bool changedInBatch = false;
    };

    TRegistryStore() = default;
    THive& hive(RegHive which); // loads it; the caller holds m_mutex
    bool save(THive& h, RegHive which);
    bool refused(const THive& h, RegHive which);
    static void load(THive& h, RegHive which);

    std::mutex m_mutex;
    THive m_hives[2];
    int m_batchDepth = 0;
    bool m_deniedHive[2] = { false, false };
    QString m_lastSaveError;
};
