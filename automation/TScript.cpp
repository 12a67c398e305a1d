#include "automation/TScript.h"

TScript::TScript(QObject* parent)
    : TCustomScript(parent)
{
}
