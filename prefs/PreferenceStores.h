#pragma once
// Choosing where the preferences live: the decision at start, the change of
// mode (which deletes the store that is given up) and the two deletions.

#include "prefs/StoreMode.h"

#include <QString>

// The ini file of the portable mode: "Stillex.ini" beside the executable.
QString IniStorePath();
// The executable's folder, with a trailing "/".
QString ExecutableFolder();

// smIni when the ini file exists; smRegistry when the registry store's
// "Exename" names this very executable; smNone otherwise. Never fails.
TStoreMode DecideStoreMode();

void DeleteIniStore();
void DeleteRegistryStore();

// The store-mode radio group's click: the new mode, the stores it gives up
// deleted, and in portable mode the image folder kept on the same drive.
void SetStoreMode(int index);
