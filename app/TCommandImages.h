#pragma once
// The image list of the command list: one icon per catalog position, plus
// the "on" pictures of the inlay and mute commands.

#include "automation/TCustomSuperAction.h"

class TActionList;

// Builds the icons for the commands of `list` (indexed by their image index).
TImageList BuildCommandImages(const TActionList& list);
