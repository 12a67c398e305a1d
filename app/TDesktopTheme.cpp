#include "app/TDesktopTheme.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

void TDesktopTheme::Apply(QCoreApplication& app)
{
    InstallQtTranslations(app);
    ChooseIconTheme();
}

bool TDesktopTheme::InstallQtTranslations(QCoreApplication& app)
{
    // French whatever the session's language: every text of ours is.
    const QLocale french(QLocale::French, QLocale::France);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool any = false;
    for (const char* catalogue : { "qtbase", "qt" }) {
        auto* translator = new QTranslator(&app);
        if (translator->load(french, QString::fromLatin1(catalogue), QStringLiteral("_"), folder)) {
            app.installTranslator(translator);
            any = true;
            break; // "qt" is the meta catalogue that loads qtbase itself
        }
        delete translator;
    }
    return any;
}

const QStringList& TDesktopTheme::KnownThemes()
{
    static const QStringList themes
        = { QStringLiteral("Adwaita"), QStringLiteral("Tango"), QStringLiteral("breeze") };
    return themes;
}

void TDesktopTheme::ChooseIconTheme()
{
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QLatin1String("hicolor")) return;
    // Without a desktop session Qt knows no theme, and may not even look
    // where the freedesktop themes are installed.
    QStringList paths = QIcon::themeSearchPaths();
    const QStringList installed = QStandardPaths::locateAll(
        QStandardPaths::GenericDataLocation, QStringLiteral("icons"), QStandardPaths::LocateDirectory);
    for (const QString& folder : installed)
        if (!paths.contains(folder)) paths << folder;
    QIcon::setThemeSearchPaths(paths);
    for (const QString& theme : KnownThemes())
        for (const QString& folder : QIcon::themeSearchPaths())
            if (QFileInfo::exists(QDir(folder).filePath(theme + QStringLiteral("/index.theme")))) {
                QIcon::setThemeName(theme);
                return;
            }
}
