#include "automation/CommandContext.h"

QStringList CommandArguments;
bool CommandProceed = false;
bool CommandRunning = false;
