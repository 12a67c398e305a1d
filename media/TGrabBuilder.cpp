#include "media/TGrabBuilder.h"

#include "media/SourcePaths.h"
#include "media/TAudioSource.h"
#include "media/TCaptureDevice.h"
#include "media/TVideoSource.h"

#include <QFileInfo>

TGrabBuilder::TGrabBuilder()
    : m_devices(std::make_unique<TCaptureDevicesList>())
{
}

TGrabBuilder::TGrabBuilder(const QString& path)
    : Failed(true)
    , Path(path)
    , m_devices(std::make_unique<TCaptureDevicesList>())
{
    try {
        HasSceneFile = QFileInfo(ChangeExtension(path, QStringLiteral(".scn"))).isFile();
        m_devices->ClassifyPath(path);
        if (TCaptureDevice* device = m_devices->Items(0)) {
            CollectSources(device, VideoSources, AudioSources);
            DisplayName = FileNamePart(Path);
            Failed = false;
        }
    } catch (...) {
    }
}

TGrabBuilder::~TGrabBuilder() = default;

void CollectSources(TCaptureDevice* device, TVideoSourcesList& video, TAudioSourcesList& audio)
{
    if (!device) return;
    for (TVideoSource* s : device->VideoStreams)
        video.Add(s);
    for (TAudioSource* s : device->AudioStreams)
        audio.Add(s);
    for (const auto& sub : device->SubDevices)
        CollectSources(sub.get(), video, audio);
}

TVideoSource* NoVideoSource()
{
    static TVideoSource* const none = new TVideoSource(QStringLiteral("Aucune Vidéo"));
    return none;
}

TAudioSource* NoAudioSource()
{
    static TAudioSource* const none = new TAudioSource(QStringLiteral("Aucun Audio"));
    return none;
}
