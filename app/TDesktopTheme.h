#pragma once
// What makes the program look like a French desktop application on Linux:
// Qt's own dialogs, buttons and menus in French (Qt's translations), and the
// desktop's icon theme for the toolbar and menus.

#include <QString>
#include <QStringList>

class QCoreApplication;

class TDesktopTheme
{
public:
    // Both, before the first window is made.
    static void Apply(QCoreApplication& app);
    // Qt's French catalogues, from Qt's translations folder; false when
    // none could be loaded (the dialogs then stay in English).
    static bool InstallQtTranslations(QCoreApplication& app);
    // The desktop's theme when it names one; else the first installed of
    // the themes we know to carry the freedesktop names; hicolor behind.
    static void ChooseIconTheme();
    // Themes tried, in order, when the desktop names none.
    static const QStringList& KnownThemes();
};
