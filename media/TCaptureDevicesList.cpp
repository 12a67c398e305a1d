#include "media/TCaptureDevicesList.h"

#include "media/SourcePaths.h"
#include "media/TCaptureDevice.h"
#include "media/TFileAviCaptureDevice.h"
#include "media/TFileMpeg1CaptureDevice.h"
#include "media/TFileMpeg2PSCaptureDevice.h"
#include "media/TFileMpeg2SplitterCaptureDevice.h"
#include "media/TFileMpeg2TSCaptureDevice.h"
#include "media/TFileUnknownCaptureDevice.h"
#include "media/TFileWmvCaptureDevice.h"

TCaptureDevicesList::TCaptureDevicesList() = default;
TCaptureDevicesList::~TCaptureDevicesList() = default;

std::vector<TRecipeKind> RecipesForExtension(const QString& extension)
{
    using K = TRecipeKind;
    static const QStringList avi { ".avi", ".ivf" };
    static const QStringList mpeg { ".mpg", ".mpeg", ".m1v", ".mp2", ".mpe", ".vob" };
    static const QStringList asf { ".wmv", ".asf" };
    static const QStringList splitter { ".mts", ".m2ts", ".mkv", ".mov", ".mp4", ".3g2", ".m4v", ".ts" };
    if (avi.contains(extension)) return { K::Avi, K::Unknown };
    if (mpeg.contains(extension)) return { K::Mpeg2PS, K::Mpeg1, K::Mpeg2Splitter, K::Mpeg2TS, K::Unknown };
    if (asf.contains(extension)) return { K::Wmv, K::Unknown };
    if (splitter.contains(extension)) return { K::Mpeg2TS, K::Unknown };
    return { K::Unknown };
}

namespace
{
std::unique_ptr<TCaptureDevice> makeRecipe(TRecipeKind kind, const QString& path)
{
    switch (kind) {
    case TRecipeKind::Avi:
        return std::make_unique<TFileAviCaptureDevice>(path);
    case TRecipeKind::Mpeg1:
        return std::make_unique<TFileMpeg1CaptureDevice>(path);
    case TRecipeKind::Mpeg2PS:
        return std::make_unique<TFileMpeg2PSCaptureDevice>(path);
    case TRecipeKind::Mpeg2Splitter:
        return std::make_unique<TFileMpeg2SplitterCaptureDevice>(path);
    case TRecipeKind::Mpeg2TS:
        return std::make_unique<TFileMpeg2TSCaptureDevice>(path);
    case TRecipeKind::Wmv:
        return std::make_unique<TFileWmvCaptureDevice>(path);
    case TRecipeKind::Unknown:
        return std::make_unique<TFileUnknownCaptureDevice>(path);
    }
    return nullptr;
}
} // namespace

bool TCaptureDevicesList::ClassifyPath(const QString& path)
{
    try {
        Clear();
        for (TRecipeKind kind : RecipesForExtension(ExtensionOf(path))) {
            std::unique_ptr<TCaptureDevice> recipe = makeRecipe(kind, path);
            if (recipe && recipe->ProbeOk) {
                Add(std::move(recipe));
                return true;
            }
        }
    } catch (...) {
    }
    return false;
}
