#include "inlay/TincrustRec.h"

TfontRecord DefaultFontRecord()
{
    return TfontRecord {};
}

TincrustRec DefaultIncrustRec()
{
    return TincrustRec {};
}
