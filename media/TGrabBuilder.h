#pragma once
// The result of opening a file: whether it can be used, the name to show,
// whether a scene file lies beside it, and its video and audio streams.

#include "media/TCaptureDevicesList.h"
#include "media/TSourcesList.h"

#include <QString>
#include <memory>

class TCaptureDevice;
class TVideoSource;
class TAudioSource;

inline const QString NoVideoFileName = QStringLiteral("Aucun fichier vidéo");

class TGrabBuilder
{
public:
    // Stands for no file at all: not failed, empty lists.
    TGrabBuilder();
    // Classifies path and collects the streams of the recipe retained. Never
    // throws: whatever goes wrong leaves Failed true.
    explicit TGrabBuilder(const QString& path);
    ~TGrabBuilder();
    TGrabBuilder(const TGrabBuilder&) = delete;
    TGrabBuilder& operator=(const TGrabBuilder&) = delete;

    bool Failed = false;
    bool HasSceneFile = false;
    QString DisplayName = NoVideoFileName;
    TVideoSourcesList VideoSources;
    TAudioSourcesList AudioSources;
    QString Path;

    // The recipes of this result; they live as long as it does, since its
    // streams refer to them.
    const TCaptureDevicesList& Devices() const { return *m_devices; }

private:
    std::unique_ptr<TCaptureDevicesList> m_devices;
};

// Appends the streams of device, then of its sub-recipes, depth first.
void CollectSources(TCaptureDevice* device, TVideoSourcesList& video, TAudioSourcesList& audio);

// The "no video" and "no audio" entries that end the source lists; made on
// first use, kept to the end.
TVideoSource* NoVideoSource();
TAudioSource* NoAudioSource();
