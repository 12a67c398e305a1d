#include "platform/PlatformValues.h"

#include <QDir>
#include <QStandardPaths>
#include <atomic>
#include <functional>

namespace
{

std::atomic<bool (*)()> g_mediaRuntimeProbe { nullptr };

struct TEntry {
    RegHive hive;
    QStringList path;
    QString name;
    std::function<QString()> text; // empty: not provided
};

// The desktop's folder when it exists. The shell's folders always exist
// where they are recorded; the desktop's are made at login only on some
// desktops, and images saved into a folder that is not there are lost.
QString standardFolder(QStandardPaths::StandardLocation location)
{
    const QString folder = QStandardPaths::writableLocation(location);
    return !folder.isEmpty() && QDir(folder).exists() ? QDir::toNativeSeparators(folder) : QString();
}

// The documents folder, else the home folder, which is always there.
QString personalFolder()
{
    const QString documents = standardFolder(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::toNativeSeparators(QDir::homePath()) : documents;
}

const std::vector<TEntry>& entries()
{
    static const QStringList shellFolders
        = { QStringLiteral("Software"), QStringLiteral("Microsoft"), QStringLiteral("Windows"),
              QStringLiteral("CurrentVersion"), QStringLiteral("Explorer"), QStringLiteral("Shell Folders") };
    static const QStringList directX
        = { QStringLiteral("Software"), QStringLiteral("Microsoft"), QStringLiteral("DirectX") };
    static const std::vector<TEntry> list = {
        { RegHive::CurrentUser, shellFolders, QStringLiteral("My Pictures"),
            [] { return standardFolder(QStandardPaths::PicturesLocation); } },
        { RegHive::CurrentUser, shellFolders, QStringLiteral("Personal"), [] { return personalFolder(); } },
        { RegHive::LocalMachine, directX, QStringLiteral("Version"),
            [] {
                bool (*probe)() = g_mediaRuntimeProbe;
                return probe && probe() ? TPlatformValues::MediaVersionText() : QString();
            } },
    };
    return list;
}

// Whether path names the entry's key (exact) or one of the keys above it.
bool leadsTo(const QStringList& path, const TEntry& entry, bool exact)
{
    if (exact ? path.size() != entry.path.size() : path.size() > entry.path.size()) return false;
    for (qsizetype i = 0; i < path.size(); ++i)
        if (path.at(i).compare(entry.path.at(i), Qt::CaseInsensitive) != 0) return false;
    return true;
}

} // namespace

void TPlatformValues::SetMediaRuntimeProbe(bool (*usable)())
{
    g_mediaRuntimeProbe = usable;
}

bool TPlatformValues::Suppressed()
{
    const QByteArray flag = qgetenv("STILLEX_NO_PLATFORM_VALUES");
    return !flag.isEmpty() && flag != "0";
}

std::optional<RegValue> TPlatformValues::Value(RegHive hive, const QStringList& path, const QString& name)
{
    if (Suppressed()) return std::nullopt;
    for (const TEntry& e : entries()) {
        if (e.hive != hive || !leadsTo(path, e, true) || e.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const QString text = e.text();
        if (text.isEmpty()) return std::nullopt;
        RegValue value;
        value.type = RegDataType::Sz;
        value.text = text;
        return value;
    }
    return std::nullopt;
}

QStringList TPlatformValues::ValueNames(RegHive hive, const QStringList& path)
{
    QStringList names;
    if (Suppressed()) return names;
    for (const TEntry& e : entries())
        if (e.hive == hive && leadsTo(path, e, true) && !e.text().isEmpty()) names.append(e.name);
    return names;
}

bool TPlatformValues::KeyExists(RegHive hive, const QStringList& path)
{
    if (Suppressed()) return false;
    for (const TEntry& e : entries())
        if (e.hive == hive && leadsTo(path, e, false) && !e.text().isEmpty()) return true;
    return false;
}

QStringList TPlatformValues::SubKeyNames(RegHive hive, const QStringList& path)
{
    QStringList names;
    if (Suppressed()) return names;
    for (const TEntry& e : entries()) {
        if (e.hive != hive || path.size() >= e.path.size() || !leadsTo(path, e, false) || e.text().isEmpty())
            continue;
        const QString& child = e.path.at(path.size());
        if (!names.contains(child, Qt::CaseInsensitive)) names.append(child);
    }
    return names;
}
