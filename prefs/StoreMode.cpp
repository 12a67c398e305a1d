#include "prefs/StoreMode.h"

TStoreMode StoreMode = smNone;
