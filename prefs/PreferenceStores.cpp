#include "prefs/PreferenceStores.h"

#include "platform/Registry.h"
#include "prefs/Preferences.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace
{
QString s_executableForTests;
}

QString ExecutablePath()
{
    if (!s_executableForTests.isEmpty()) return s_executableForTests;
    // The kernel's link names the file even when the program was started
    // through a symbolic link or a relative path.
    const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return exe.isEmpty() ? QCoreApplication::applicationFilePath() : exe;
}

void SetExecutablePathForTests(const QString& path)
{
    s_executableForTests = path;
}

QString ExecutableFolder()
{
    QString dir = QFileInfo(ExecutablePath()).absolutePath();
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

QString IniStorePath()
{
    return ExecutableFolder() + QStringLiteral("Stillex.ini");
}

TStoreMode DecideStoreMode()
{
    try {
        if (QFileInfo::exists(IniStorePath())) return smIni;
        TRegistry reg(RegHive::CurrentUser);
        if (!reg.OpenKeyReadOnly(PreferenceStorePath)) return smNone;
        const QString exe = reg.ReadString(QStringLiteral("Exename")).value_or(QString());
        if (!exe.isEmpty() && exe.toLower() == ExecutablePath().toLower()) return smRegistry;
    } catch (...) {
    }
    return smNone;
}

void DeleteIniStore()
{
    const QString path = IniStorePath();
    if (QFileInfo::exists(path)) QFile::remove(path);
}

void DeleteRegistryStore()
{
    TRegistry reg(RegHive::CurrentUser);
    if (!reg.OpenKey(QStringLiteral("\\Software\\Kestrine\\"), false)) return;
    reg.DeleteKey(QStringLiteral("Stillex"));
    if (!reg.HasSubKeys()) {
        reg.CloseKey();
        reg.DeleteKey(QStringLiteral("\\Software\\Kestrine"));
    }
}

void SetStoreMode(int index)
{
    if (index < smRegistry || index > smNone) return;
    StoreMode = TStoreMode(index);
    if (StoreMode != smIni) DeleteIniStore();
    if (StoreMode != smRegistry) DeleteRegistryStore();
    if (StoreMode == smIni && ParDossierSave) {
        const QString folder = ExecutableFolder();
        if (!ParDossierSave->Value.startsWith(folder, Qt::CaseInsensitive)) ParDossierSave->Value = folder;
    }
}

std::optional<TStoreMode> StoreModeOfArgument(const QString& argument)
{
    const QString word = argument.trimmed().toLower();
    if (QStringLiteral("registre").startsWith(word)) return smRegistry;
    if (QStringLiteral("portable").startsWith(word)) return smIni;
    if (QStringLiteral("aucun").startsWith(word)) return smNone;
    return std::nullopt;
}
