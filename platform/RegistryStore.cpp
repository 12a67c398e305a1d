#include "platform/RegistryStore.h"

#include "platform/PlatformValues.h"
#include "platform/RegHiveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace
{

// Far beyond any real hive; a bigger file is not read into memory.
constexpr qint64 MaxHiveFileSize = 64 * 1024 * 1024;

RegValue normalised(const RegValue& value)
{
    RegValue out;
    out.type = value.type;
    switch (value.type) {
    case RegDataType::Sz:
    case RegDataType::ExpandSz:
        out.text = value.text;
        break;
    case RegDataType::Dword:
        out.dword = value.dword;
        break;
    default:
        out.bytes = value.bytes;
        break;
    }
    return out;
}

QString freeBackupName(const QString& filePath)
{
    QString name = filePath + QStringLiteral(".bad");
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = filePath + QStringLiteral(".bad.") + QString::number(n);
    return name;
}

} // namespace

TRegistryStore& TRegistryStore::Instance()
{
    static TRegistryStore store;
    return store;
}

QString TRegistryStore::HiveName(RegHive hive)
{
    return hive == RegHive::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                         : QStringLiteral("HKEY_CURRENT_USER");
}

QString TRegistryStore::HiveFilePath(RegHive hive)
{
    return TRegistry::StoreFolder() + u'/' + HiveName(hive) + QStringLiteral(".reg");
}

void TRegistryStore::load(THive& h, RegHive which)
{
    h.loaded = true;
    h.filePath = HiveFilePath(which);
    h.root = std::make_unique<TRegKeyNode>();
    h.keepBadCopy = false;
    h.dirty = false;

    const QFileInfo info(h.filePath);
    if (!info.exists() && !info.isSymLink()) return;
    QFile file(h.filePath);
    if (!info.isFile() || info.size() > MaxHiveFileSize || !file.open(QIODevice::ReadOnly)) {
        h.keepBadCopy = true;
        return;
    }
    const QByteArray data = file.read(MaxHiveFileSize + 1);
    if (file.error() != QFileDevice::NoError || data.size() > MaxHiveFileSize) {
        h.keepBadCopy = true;
        return;
    }
    if (data.trimmed().isEmpty()) return;
    TRegHiveFile::TParsed parsed = TRegHiveFile::Parse(data, HiveName(which));
    if (!parsed.recognised) {
        h.keepBadCopy = true;
        return;
    }
    h.root = std::move(parsed.root);
    h.keepBadCopy = parsed.skippedLines > 0;
}

TRegistryStore::THive& TRegistryStore::hive(RegHive which)
{
    THive& h = m_hives[which == RegHive::LocalMachine ? 1 : 0];
    if (!h.loaded) load(h, which);
    return h;
}

bool TRegistryStore::save(THive& h, RegHive which)
{
    h.dirty = true;
    if (m_batchDepth > 0) {
        h.changedInBatch = true;
        return true;
    }
    const QFileInfo info(h.filePath);
    const auto fail = [this](const QString& path, const QString& reason) {
        m_lastSaveError = path + QStringLiteral(": ") + reason;
        return false;
    };
    if (!QDir().mkpath(info.absolutePath()))
        return fail(info.absolutePath(), QString::fromLocal8Bit(std::strerror(errno)));
    if (h.keepBadCopy) {
        if (info.exists() || info.isSymLink()) {
            QFile bad(h.filePath);
            if (!bad.rename(freeBackupName(h.filePath))) return fail(h.filePath, bad.errorString());
        }
        h.keepBadCopy = false;
    }
    QSaveFile file(h.filePath);
    if (!file.open(QIODevice::WriteOnly)) return fail(h.filePath, file.errorString());
    const QByteArray data = TRegHiveFile::Serialize(*h.root, HiveName(which));
    // A full disk shows when the buffer is written out; committing after
    // that would put a cut hive in place of the whole one.
    if (file.write(data) != data.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(h.filePath, reason);
    }
    if (!file.commit()) return fail(h.filePath, file.errorString());
    h.dirty = false;
    return true;
}

bool TRegistryStore::refused(const THive& h, RegHive which)
{
    if (!m_deniedHive[which == RegHive::LocalMachine ? 1 : 0]) return false;
    m_lastSaveError = h.filePath + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(EACCES));
    return true;
}

void TRegistryStore::SetReadOnly(RegHive which, bool readOnly)
{
    std::lock_guard lock(m_mutex);
    m_deniedHive[which == RegHive::LocalMachine ? 1 : 0] = readOnly;
}

QString TRegistryStore::LastSaveError()
{
    std::lock_guard lock(m_mutex);
    return m_lastSaveError;
}

bool TRegistryStore::KeyExists(RegHive which, const QStringList& path)
{
    {
        std::lock_guard lock(m_mutex);
        if (hive(which).root->Find(path)) return true;
    }
    return TPlatformValues::KeyExists(which, path);
}

bool TRegistryStore::CreateKey(RegHive which, const QStringList& path)
{
    std::lock_guard lock(m_mutex);
    THive& h = hive(which);
    if (h.root->Find(path) && !h.dirty) return true;
    if (refused(h, which)) return false;
    h.root->FindOrCreate(path);
    return save(h, which);
}

bool TRegistryStore::DeleteKey(RegHive which, const QStringList& path)
{
    if (path.isEmpty()) return false;
    std::lock_guard lock(m_mutex);
    THive& h = hive(which);
    if (refused(h, which)) return false;
    TRegKeyNode* parent = h.root->Find(path.mid(0, path.size() - 1));
    if (!parent || !parent->RemoveChild(path.last())) return false;
    return save(h, which);
}

QStringList TRegistryStore::SubKeyNames(RegHive which, const QStringList& path)
{
    QStringList names;
    {
        std::lock_guard lock(m_mutex);
        if (const TRegKeyNode* node = hive(which).root->Find(path)) names = node->ChildNames();
    }
    const QStringList provided = TPlatformValues::SubKeyNames(which, path);
    bool added = false;
    for (const QString& name : provided) {
        if (!names.contains(name, Qt::CaseInsensitive)) {
            names.append(name);
            added = true;
        }
    }
    if (added)
        std::sort(names.begin(), names.end(),
            [](const QString& a, const QString& b) { return a.toCaseFolded() < b.toCaseFolded(); });
    return names;
}

QStringList TRegistryStore::ValueNames(RegHive which, const QStringList& path)
{
    QStringList names;
    {
        std::lock_guard lock(m_mutex);
        if (const TRegKeyNode* node = hive(which).root->Find(path)) names = node->ValueNames();
    }
    for (const QString& name : TPlatformValues::ValueNames(which, path))
        if (!names.contains(name, Qt::CaseInsensitive)) names.append(name);
    return names;
}

std::optional<RegValue> TRegistryStore::ReadValue(RegHive which, const QStringList& path, const QString& name)
{
    {
        std::lock_guard lock(m_mutex);
        if (const TRegKeyNode* node = hive(which).root->Find(path))
            if (const RegValue* value = node->Value(name)) return *value;
    }
    return TPlatformValues::Value(which, path, name);
}

bool TRegistryStore::WriteValue(
    RegHive which, const QStringList& path, const QString& name, const RegValue& value)
{
    // A key that only the platform provides is real enough to be written to.
    const bool provided = TPlatformValues::KeyExists(which, path);
    std::lock_guard lock(m_mutex);
    THive& h = hive(which);
    if (refused(h, which)) return false;
    TRegKeyNode* node = h.root->Find(path);
    if (!node) {
        if (!provided) return false;
        node = h.root->FindOrCreate(path);
    }
    if (!node->SetValue(name, normalised(value)) && !h.dirty) return true;
    return save(h, which);
}

bool TRegistryStore::DeleteValue(RegHive which, const QStringList& path, const QString& name)
{
    std::lock_guard lock(m_mutex);
    THive& h = hive(which);
    if (refused(h, which)) return false;
    TRegKeyNode* node = h.root->Find(path);
    if (!node || !node->RemoveValue(name)) return false;
    return save(h, which);
}

void TRegistryStore::BeginBatch()
{
    std::lock_guard lock(m_mutex);
    ++m_batchDepth;
}

bool TRegistryStore::EndBatch()
{
    std::lock_guard lock(m_mutex);
    if (m_batchDepth == 0 || --m_batchDepth > 0) return true;
    // A hive whose save failed before the batch is tried again, but only
    // the hives the batch changed decide its result: one failing hive must
    // not fail every later batch on the other.
    bool saved = true;
    for (RegHive which : { RegHive::CurrentUser, RegHive::LocalMachine }) {
        THive& h = m_hives[which == RegHive::LocalMachine ? 1 : 0];
        const bool counts = h.changedInBatch;
        h.changedInBatch = false;
        if (h.loaded && h.dirty && !save(h, which) && counts) saved = false;
    }
    return saved;
}

void TRegistryStore::Reset()
{
    std::lock_guard lock(m_mutex);
    for (THive& h : m_hives)
        h = THive();
    m_batchDepth = 0;
    m_deniedHive[0] = m_deniedHive[1] = false;
    m_lastSaveError.clear();
}
