#include "media/TFilterPresets.h"

#include "platform/RegistryBatch.h"
#include "platform/RegistryStore.h"

namespace
{
QStringList pathOf(const QString& key)
{
    return key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

bool exists(RegHive root, const QString& key)
{
    return TRegistryStore::Instance().KeyExists(root, pathOf(key));
}

bool deleteKey(RegHive root, const QString& key)
{
    // Deleting what is not there is no error.
    return !exists(root, key) || TRegistryStore::Instance().DeleteKey(root, pathOf(key));
}

bool copyKey(RegHive root, const QStringList& from, const QStringList& to)
{
    TRegistryStore& store = TRegistryStore::Instance();
    if (!store.CreateKey(root, to)) return false;
    for (const QString& name : store.ValueNames(root, from)) {
        const std::optional<RegValue> value = store.ReadValue(root, from, name);
        if (!value || !store.WriteValue(root, to, name, *value)) return false;
    }
    for (const QString& child : store.SubKeyNames(root, from))
        if (!copyKey(root, from + QStringList { child }, to + QStringList { child })) return false;
    return true;
}

// The key comes back from its backup, which goes only once it has.
bool restore(RegHive root, const QString& key, const QString& backup)
{
    if (!exists(root, backup)) return false;
    return deleteKey(root, key) && TFilterPresets::CopyKey(root, backup, key) && deleteKey(root, backup);
}

// A backup still there holds the user's settings (a run ended without
// putting them back): they return to the key before it is copied again.
bool backUp(RegHive root, const QString& key, const QString& backup)
{
    if (exists(root, backup) && !restore(root, key, backup)) return false;
    if (!exists(root, key)) return true;
    return deleteKey(root, backup) && TFilterPresets::CopyKey(root, key, backup);
}

bool writePreset(const std::vector<TFilterPresets::TPresetKey>& keys)
{
    TRegistryStore& store = TRegistryStore::Instance();
    for (const TFilterPresets::TPresetKey& k : keys) {
        const QStringList path = pathOf(QString::fromLatin1(k.key));
        if (!store.KeyExists(k.root, path)) {
            if (!k.create) continue;
            if (!store.CreateKey(k.root, path)) return false;
        }
        for (const TFilterPresets::TPresetValue& v : k.values) {
            RegValue value;
            value.type = RegDataType::Dword;
            value.dword = v.value;
            if (!store.WriteValue(k.root, path, QString::fromLatin1(v.name), value)) return false;
        }
    }
    return true;
}

// One operation, saved once per hive; whatever fails ends it.
template <typename F> bool operation(F f)
{
    TRegistryBatch batch;
    const bool done = f();
    return batch.Commit() && done;
}
} // namespace

const QString TFilterPresets::SplitterUserKey = QStringLiteral("\\Software\\Haali\\Matroska Splitter");
const QString TFilterPresets::SplitterUserBackup
    = QStringLiteral("\\Software\\Haali\\Matroska Splitter_SavedbySX");
const QString TFilterPresets::SplitterMachineKey = QStringLiteral("\\SOFTWARE\\HaaliMkx");
const QString TFilterPresets::SplitterMachineBackup = QStringLiteral("\\SOFTWARE\\HaaliMkx_savedbySX");
const QString TFilterPresets::DecoderKey = QStringLiteral("\\Software\\GNU\\ffdshow");
const QString TFilterPresets::DecoderBackup = QStringLiteral("\\Software\\GNU\\ffdshow_savedbySX");
const QString TFilterPresets::AudioDecoderKey = QStringLiteral("\\Software\\GNU\\ffdshow_audio");

const std::vector<TFilterPresets::TPresetKey>& TFilterPresets::SplitterPreset()
{
    static const std::vector<TPresetKey> keys {
        { RegHive::CurrentUser, "\\Software\\Haali\\Matroska Splitter", false, { { "ui.trayicon", 0 } } },
        { RegHive::LocalMachine, "\\Software\\HaaliMkx\\", false,
            { { "rm2ts", 1 }, { "rmp4", 1 }, { "rOGM", 1 }, { "rts", 1 }, { "rAvi", 0 }, { "rPS", 1 } } },
    };
    return keys;
}

const std::vector<TFilterPresets::TPresetKey>& TFilterPresets::DecoderPreset()
{
    static const std::vector<TPresetKey> keys = [] {
        auto group
            = [](std::vector<TPresetValue>& to, uint32_t value, std::initializer_list<const char*> names) {
                  for (const char* name : names)
                      to.push_back({ name, value });
              };
        std::vector<TPresetValue> video;
        group(video, 0, { "addToROT", "trayIcon", "isOSD", "keyboard", "isWhiteList", "isCompMgr" });
        group(video, 1,
            { "isBlackList", "div3", "mp43", "mp42", "mp41", "h263", "flv1", "theo", "vp3", "vp5", "vp6",
                "vp6f", "h261", "hfyu", "mjpg", "avrn", "svq1", "svq3", "8bps", "qtrle", "qtrpza", "ffv1",
                "dvsd", "cdvc", "cscd", "png1", "loco", "mszh", "tscc", "zlib", "zmbv", "aasc", "asv1",
                "vcr1", "cvid", "cavs", "cyuv", "rt21", "iv32", "fps1", "vixl", "cram", "rle", "qpeg", "rv10",
                "rv30", "rv40", "duck", "ulti", "wnv1", "rawv" });
        group(video, 5, { "mpg1", "mpg2", "mpegAVI", "em2v" });
        group(video, 9, { "xvid", "dx50", "mp4v", "fvfw" });
        group(video, 12, { "wmv1", "wmv2", "wmv3", "wvc1", "wvp2", "mss2" });
        group(video, 21, { "h264" });
        std::vector<TPresetValue> videoDefault;
        group(videoDefault, 1, { "isDeinterlace", "deinterlaceAlways", "setDeintInOutSample", "outRGB32" });
        group(videoDefault, 2, { "setSARinOutSample" });
        group(videoDefault, 0,
            { "isCropNzoom", "isLogoaway", "isPostproc", "isPictProp", "isGradFun", "isLevels", "isOffset",
                "isBlur", "xsharpen", "isWarpsharp", "isDscaler", "isNoise", "isPerspective", "isAvisynth",
                "isVis", "isDCT", "isBitmap", "isSubtitles", "isGrab", "isOverlayControl", "allowOutChange",
                "outDV", "flip", "resizeIsDy0", "resizeAscpect", "resizeIf" });
        std::vector<TPresetValue> audio;
        group(audio, 0, { "addToROT", "trayIcon", "isWhiteList", "isCompMgr" });
        group(audio, 1,
            { "isBlackList", "mp3", "mp2", "eac3", "truehd", "mlp", "dts", "amr", "wma1", "wma2", "msadpcm",
                "iadpcm", "otherAdpcm", "law", "gsm", "flac", "tta", "truespeech", "qdm2", "mace", "ra",
                "imc", "atrac3", "nellymoser", "wavpack" });
        group(audio, 4, { "lpcm", "rawa" });
        group(audio, 8, { "aac" });
        group(audio, 15, { "ac3" });
        group(audio, 18, { "vorbis" });
        return std::vector<TPresetKey> {
            { RegHive::CurrentUser, "\\Software\\GNU\\ffdshow", true, video },
            { RegHive::CurrentUser, "\\Software\\GNU\\ffdshow\\default", true, videoDefault },
            { RegHive::CurrentUser, "\\Software\\GNU\\ffdshow_audio", true, audio },
            { RegHive::CurrentUser, "\\Software\\GNU\\ffdshow_audio\\default", true,
                { { "isOSD", 0 }, { "outsfs", 1 } } },
        };
    }();
    return keys;
}

bool TFilterPresets::CopyKey(RegHive root, const QString& from, const QString& to)
{
    return exists(root, from) && copyKey(root, pathOf(from), pathOf(to));
}

bool TFilterPresets::SaveDecoderSettings()
{
    return operation([] {
        return backUp(RegHive::CurrentUser, DecoderKey, DecoderBackup)
            && exists(RegHive::CurrentUser, DecoderKey);
    });
}

bool TFilterPresets::ApplyDecoderPreset()
{
    return operation([] { return writePreset(DecoderPreset()); });
}

bool TFilterPresets::RestoreDecoderSettings()
{
    return operation([] { return restore(RegHive::CurrentUser, DecoderKey, DecoderBackup); });
}

bool TFilterPresets::SaveSplitterSettings()
{
    return operation([] {
        return backUp(RegHive::CurrentUser, SplitterUserKey, SplitterUserBackup)
            && backUp(RegHive::LocalMachine, SplitterMachineKey, SplitterMachineBackup);
    });
}

bool TFilterPresets::ApplySplitterPreset()
{
    return operation([] { return writePreset(SplitterPreset()); });
}

bool TFilterPresets::RestoreSplitterSettings()
{
    return operation([] {
        restore(RegHive::CurrentUser, SplitterUserKey, SplitterUserBackup);
        return restore(RegHive::LocalMachine, SplitterMachineKey, SplitterMachineBackup);
    });
}

void TFilterPresets::AtStart(bool applyPresets)
{
    SaveDecoderSettings();
    if (applyPresets) ApplyDecoderPreset();
    SaveSplitterSettings();
    if (applyPresets) ApplySplitterPreset();
}

void TFilterPresets::AtEnd()
{
    RestoreDecoderSettings();
    RestoreSplitterSettings();
}
