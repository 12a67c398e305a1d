#include "prefs/PreferenceStores.h"

#include "platform/Registry.h"
#include "prefs/Preferences.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

QString ExecutableFolder()
{
    QString dir = QCoreApplication::applicationDirPath();
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
        if (!exe.isEmpty() && exe.toLower() == QCoreApplication::applicationFilePath().toLower())
            return smRegistry;
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
