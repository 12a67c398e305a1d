#include "media/SceneSteps.h"

#include "media/TSceneList.h"

int64_t PreviousSceneFrame(const TSceneList& list, int64_t currentFrame)
{
    // The list keeps file order and is not sorted, so this is the last match
    // in that order, not necessarily the nearest start.
    for (int i = list.Count() - 1; i >= 0; --i) {
        const TScene* scene = list.Items(i);
        if (scene->StartFrame < currentFrame) return scene->StartFrame;
    }
    return 0;
}

bool NextSceneFrame(const TSceneList& list, int64_t currentFrame, int64_t& frame)
{
    for (const auto& scene : list) {
        if (scene->StartFrame >= 0 && scene->StartFrame > currentFrame) {
            frame = scene->StartFrame;
            return true;
        }
    }
    return false;
}
