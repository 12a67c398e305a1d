#pragma once
// The recipes retained for one opened file (in practice one, the first whose
// probe succeeded). The list owns its recipes.

#include "media/TSourcesList.h"

#include <QString>

class TCaptureDevice;

class TCaptureDevicesList : public TOwningList<TCaptureDevice>
{
public:
    TCaptureDevicesList();
    ~TCaptureDevicesList();

    // Empties the list, then tries the recipes that the path's extension
    // calls for, in order, and keeps the first whose probe succeeds. True
    // when one was kept.
    bool ClassifyPath(const QString& path);
};

// The recipe classes tried for an extension (".avi"; "" for none), in order.
enum class TRecipeKind { Avi, Mpeg1, Mpeg2PS, Mpeg2Splitter, Mpeg2TS, Wmv, Unknown };
std::vector<TRecipeKind> RecipesForExtension(const QString& extension);
