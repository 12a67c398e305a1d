#include "automation/TSuperAction.h"

TSuperAction::TSuperAction(QObject* parent)
    : TCustomSuperAction(parent)
{
}
