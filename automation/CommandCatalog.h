#pragma once
// The catalog of the application's commands and what goes with it.

#include <QString>

class TActionList;

// Appends the 86 commands of the application to the list, in catalog order
// (the shortcuts window lists them in it and name lookups scan it), each with
// its component name, caption, keys, switch, token, kind, hints and image
// indexes. Handlers are bound afterwards by name by the windows that own the
// behaviour; only the two preparations that depend on nothing are bound here.
void CreateCommandCatalog(TActionList& list);

// The start-up keys of the volume commands: keypad "+" (with the secondary
// shortcut "Alt+P") and keypad "-" (keeping "ALT+M").
void ApplyStartupVolumeKeys(TActionList& list);

// One line per command reachable from the command line or a script, in list
// order: "-switch", token and caption, in columns.
QString CommandLineHelpText(const TActionList& list);
