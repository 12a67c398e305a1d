#pragma once
// The context shared by every command and every runner of the process.
//
// A runner (script, command line) or the interactive path fills it just before
// a command's handler runs; handlers read their argument from it and report
// long work through it. Commands may start one another (Escape during a
// script), so nobody may rely on it surviving past the handler it was filled
// for.

#include <QStringList>

// Entry 0 is the argument of the command being run. Empty on the interactive
// path unless a preparation put one there; a runner always puts exactly one
// string, possibly empty.
extern QStringList CommandArguments;

// Set before a command's preparation; a preparation clears it to cancel.
extern bool CommandProceed;

// Set by a handler while its work goes on (opening, seeking, the
// intervallometer); runners keep the event loop turning until it clears.
extern bool CommandRunning;

// Holds CommandRunning for the lifetime of a handler's work, so that an early
// return or an exception cannot leave a runner waiting for ever.
class TCommandRunningScope
{
public:
    TCommandRunningScope() { CommandRunning = true; }
    ~TCommandRunningScope() { CommandRunning = false; }
    TCommandRunningScope(const TCommandRunningScope&) = delete;
    TCommandRunningScope& operator=(const TCommandRunningScope&) = delete;
};
