#pragma once
// The scenes of the last scene file read, in file order (never sorted). The
// list owns its scenes; an index out of range gives nullptr.

#include "media/TScene.h"
#include "media/TSourcesList.h"

#include <QString>

class QIODevice;

class TSceneList : public TOwningList<TScene>
{
public:
    // Replaces the list with the scenes of the scene file at path. False when
    // the file is missing or its header cannot be read (the list is then left
    // as it was), and false when a record after the header cannot be read (the
    // scenes before it are kept). Never throws; the file is always closed.
    bool LoadScenes(const QString& path);
    // The same from a device open for reading, from its current position;
    // each scene is named `name`. A device that cannot seek gives false.
    bool LoadScenes(QIODevice& device, const QString& name);
};
