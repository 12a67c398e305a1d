#pragma once
// The settings the program gives the separately installed splitter and
// decoders while it runs, and the user's own settings put back at the end.
// Each key is copied to a backup key before the preset is written over it,
// and the backup is copied back and deleted when the program ends.
//
// A backup that is still there at start was left by a run that did not end:
// it holds the user's settings while the live key holds the preset, so it
// is put back before a new backup is taken.
//
// Every operation stands alone: a registry error (a machine hive the user
// may not change) ends that operation, whose result is false, and no other.

#include "platform/Registry.h"

#include <QString>
#include <cstdint>
#include <vector>

class TFilterPresets
{
public:
    struct TPresetValue {
        const char* name;
        uint32_t value;
    };
    struct TPresetKey {
        RegHive root;
        const char* key;
        bool create; // created when missing, else skipped
        std::vector<TPresetValue> values;
    };

    static const QString SplitterUserKey;
    static const QString SplitterUserBackup;
    static const QString SplitterMachineKey;
    static const QString SplitterMachineBackup;
    static const QString DecoderKey;
    static const QString DecoderBackup;
    static const QString AudioDecoderKey;

    static const std::vector<TPresetKey>& SplitterPreset();
    static const std::vector<TPresetKey>& DecoderPreset();

    static bool SaveDecoderSettings();
    static bool ApplyDecoderPreset();
    static bool RestoreDecoderSettings();
    static bool SaveSplitterSettings();
    static bool ApplySplitterPreset();
    static bool RestoreSplitterSettings();

    // At start, before any graph: back up (first putting back what a run
    // that did not end left), then preset when asked to.
    static void AtStart(bool applyPresets);
    // At the end, once no graph is left.
    static void AtEnd();

    // Copies a key with its values and subkeys, recursively, to `to`
    // (created); the source stays. False on any registry error.
    static bool CopyKey(RegHive root, const QString& from, const QString& to);
};
