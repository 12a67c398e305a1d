#pragma once

#include <QString>

// Where the preferences are loaded from and saved to. The numbers are also the
// item indices of the options panel's store radio group.
enum TStoreMode : int {
    smRegistry = 0, // the current user's registry key
    smIni = 1, // an ini file beside the executable (portable use)
    smNone = 2, // nowhere: defaults at every start, nothing saved
};

// The mode of the running process. Nothing is chosen until the start-up
// decides it, so reads give defaults and saves write nothing.
extern TStoreMode StoreMode;

// The registry key of the preferences under the current user; the ini store
// uses it as its section name.
inline const QString PreferenceStorePath = QStringLiteral("\\Software\\Kestrine\\Stillex");

// An empty wide-string preference is stored as this text, because an empty
// value cannot be told from a missing one in every store.
inline const QString EmptyStringMarker = QStringLiteral("#@vide§#");
