#pragma once
// One parsed line of a script or one command-line switch: the command, its
// argument and the mode its prefix or value asked for.

#include "automation/TCustomSuperAction.h"

#include <QPointer>
#include <QString>

// cmOn and cmOff ask a two-state command for that state ("+", "-", "true",
// "false"); cmToggle for the other one ("/", "toggle"); cmAsIs runs whatever
// handler the command last installed.
enum TCommandMode { cmOn, cmOff, cmToggle, cmAsIs };

// The mode a line's or a switch's first character asks for; cmAsIs when it
// is no prefix (and so belongs to the name).
inline TCommandMode CommandModeOfPrefix(QChar first)
{
    switch (first.unicode()) {
    case '+':
        return cmOn;
    case '-':
        return cmOff;
    case '/':
        return cmToggle;
    default:
        return cmAsIs;
    }
}

struct TActionEx {
    // Guarded: a command taken out of the list while a run waits is skipped.
    QPointer<TCustomSuperAction> Action;
    QString Argument;
    TCommandMode Mode = cmAsIs;
};
