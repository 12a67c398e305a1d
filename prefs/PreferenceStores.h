#pragma once
// Choosing where the preferences live: the decision at start, the change of
// mode (which deletes the store that is given up) and the two deletions.

#include "prefs/StoreMode.h"

#include <QString>
#include <optional>

// The running executable's absolute path, as the kernel gives it
// (/proc/self/exe): the path a copy of the system is recognised by.
QString ExecutablePath();
// Makes the functions here act as if the executable were `path` (tests run
// from a folder of their own); an empty path goes back to the real one.
void SetExecutablePathForTests(const QString& path);
// The executable's folder, with a trailing "/".
QString ExecutableFolder();
// The ini file of the portable mode: "Stillex.ini" beside the executable.
QString IniStorePath();

// smIni when the ini file exists; smRegistry when the registry store's
// "Exename" names this very executable; smNone otherwise. Never fails.
TStoreMode DecideStoreMode();

void DeleteIniStore();
void DeleteRegistryStore();

// The store-mode radio group's click: the new mode, the stores it gives up
// deleted, and in portable mode the image folder kept on the same drive.
void SetStoreMode(int index);

// The store named by the argument of "save_prefs": a beginning of
// "registre", "portable" or "aucun", in any letter case and blanks around
// (an empty argument names the registry); nothing for any other word.
std::optional<TStoreMode> StoreModeOfArgument(const QString& argument);
