#include "media/TFilterPresets.h"
#include "platform/RegHiveFile.h"
#include "platform/Registry.h"
#include "platform/RegistryStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

class FilterPresets : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("STILLEX_REGISTRY_DIR", m_dir.path().toUtf8());
        qputenv("STILLEX_NO_PLATFORM_VALUES", "1");
        TRegistry::ResetForTests();
    }
    void TearDown() override
    {
        TRegistry::ResetForTests();
        qunsetenv("STILLEX_REGISTRY_DIR");
        qunsetenv("STILLEX_NO_PLATFORM_VALUES");
    }

    // What the user had before the program ever ran: values of several
    // types, a subkey, names in their own spelling.
    void WriteUserSettings()
    {
        TRegistry user(RegHive::CurrentUser);
        ASSERT_TRUE(user.OpenKey(QStringLiteral("\\Software\\Haali\\Matroska Splitter"), true));
        ASSERT_TRUE(user.WriteInteger(QStringLiteral("ui.trayicon"), 1));
        ASSERT_TRUE(user.WriteString(QStringLiteral("lang"), QStringLiteral("français")));
        ASSERT_TRUE(user.OpenKey(QStringLiteral("\\Software\\GNU\\ffdshow"), true));
        ASSERT_TRUE(user.WriteInteger(QStringLiteral("mpg2"), 0));
        ASSERT_TRUE(user.WriteInteger(QStringLiteral("trayIcon"), 1));
        ASSERT_TRUE(user.WriteBinaryData(QStringLiteral("blob"), QByteArray("\x01\x00\xFF", 3)));
        ASSERT_TRUE(user.OpenKey(QStringLiteral("\\Software\\GNU\\ffdshow\\Default"), true));
        ASSERT_TRUE(user.WriteInteger(QStringLiteral("isPostproc"), 1));
        ASSERT_TRUE(user.OpenKey(QStringLiteral("\\Software\\GNU\\ffdshow\\default\\deep"), true));
        ASSERT_TRUE(user.WriteString(QStringLiteral("x"), QStringLiteral("y")));
        TRegistry machine(RegHive::LocalMachine);
        ASSERT_TRUE(machine.OpenKey(QStringLiteral("\\SOFTWARE\\HaaliMkx"), true));
        ASSERT_TRUE(machine.WriteInteger(QStringLiteral("rts"), 0));
        ASSERT_TRUE(machine.WriteInteger(QStringLiteral("rAvi"), 1));
    }

    QByteArray hiveBytes(RegHive hive) const
    {
        QFile f(TRegistryStore::HiveFilePath(hive));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The key as the hive file writes it: every value, subkey and spelling.
    static QByteArray keyBytes(RegHive hive, const QString& key)
    {
        const QByteArray all = QByteArray(
            TRegistryStore::Instance().KeyExists(hive, key.split(u'\\', Qt::SkipEmptyParts)) ? "present\n"
                                                                                             : "absent\n");
        TRegistry r(hive);
        if (!r.OpenKeyReadOnly(key)) return all;
        QByteArray out = all;
        for (const QString& name : r.GetValueNames()) {
            const RegValue v = *r.ReadValue(name);
            out += name.toUtf8() + '=' + QByteArray::number(int(v.type)) + ':' + v.text.toUtf8() + ':'
                + QByteArray::number(v.dword) + ':' + v.bytes.toHex() + '\n';
        }
        for (const QString& child : r.GetKeyNames())
            out += "[" + child.toUtf8() + "]\n" + keyBytes(hive, key + u'\\' + child);
        return out;
    }

    static std::optional<uint32_t> dword(RegHive hive, const QString& key, const QString& name)
    {
        TRegistry r(hive);
        if (!r.OpenKeyReadOnly(key)) return std::nullopt;
        return r.ReadInteger(name);
    }

    // A run killed while it ran: nothing of its memory survives.
    static void Kill() { TRegistry::ResetForTests(); }

    QTemporaryDir m_dir;
};

TEST_F(FilterPresets, PresetWhileRunningAndTheUsersKeysBackExactlyAtTheEnd)
{
    WriteUserSettings();
    const QByteArray splitter = keyBytes(RegHive::CurrentUser, TFilterPresets::SplitterUserKey);
    const QByteArray decoder = keyBytes(RegHive::CurrentUser, TFilterPresets::DecoderKey);
    const QByteArray machineFile = hiveBytes(RegHive::LocalMachine);

    TFilterPresets::AtStart(true);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::SplitterUserKey, "ui.trayicon"), 0u);
    EXPECT_EQ(dword(RegHive::LocalMachine, TFilterPresets::SplitterMachineKey, "rts"), 1u);
    EXPECT_EQ(dword(RegHive::LocalMachine, TFilterPresets::SplitterMachineKey, "rAvi"), 0u);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::DecoderKey, "mpg2"), 5u);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::DecoderKey, "h264"), 21u);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::DecoderKey + "\\default", "isPostproc"), 0u);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::AudioDecoderKey, "ac3"), 15u);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::AudioDecoderKey + "\\default", "outsfs"), 1u);
    // The backups hold what the user had.
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::DecoderBackup), decoder);
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::SplitterUserBackup), splitter);

    TFilterPresets::AtEnd();
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::SplitterUserKey), splitter);
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::DecoderKey), decoder);
    EXPECT_EQ(hiveBytes(RegHive::LocalMachine), machineFile);
    for (const QString& backup : { TFilterPresets::DecoderBackup, TFilterPresets::SplitterUserBackup })
        EXPECT_FALSE(TRegistry(RegHive::CurrentUser).KeyExists(backup)) << backup.toStdString();
    // Preset without a backup: it stays.
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::AudioDecoderKey, "ac3"), 15u);
    // What is on disk is what was kept in memory.
    Kill();
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::DecoderKey), decoder);
}

TEST_F(FilterPresets, AStartAfterAKilledRunKeepsTheUsersSettings)
{
    WriteUserSettings();
    const QByteArray splitter = keyBytes(RegHive::CurrentUser, TFilterPresets::SplitterUserKey);
    const QByteArray decoder = keyBytes(RegHive::CurrentUser, TFilterPresets::DecoderKey);
    const QByteArray machine = keyBytes(RegHive::LocalMachine, TFilterPresets::SplitterMachineKey);

    TFilterPresets::AtStart(true);
    Kill();
    TFilterPresets::AtStart(true);
    // The new backups are the user's settings, not the first run's preset.
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::DecoderBackup), decoder);
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::SplitterUserBackup), splitter);
    EXPECT_EQ(keyBytes(RegHive::LocalMachine, TFilterPresets::SplitterMachineBackup), machine);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::DecoderKey, "mpg2"), 5u);
    TFilterPresets::AtEnd();
    Kill();
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::SplitterUserKey), splitter);
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::DecoderKey), decoder);
    EXPECT_EQ(keyBytes(RegHive::LocalMachine, TFilterPresets::SplitterMachineKey), machine);
}

TEST_F(FilterPresets, ADeniedMachineHiveEndsOnlyTheOperationsOnIt)
{
    WriteUserSettings();
    const QByteArray splitter = keyBytes(RegHive::CurrentUser, TFilterPresets::SplitterUserKey);
    const QByteArray decoder = keyBytes(RegHive::CurrentUser, TFilterPresets::DecoderKey);
    const QByteArray machineFile = hiveBytes(RegHive::LocalMachine);
    TRegistryStore::Instance().SetReadOnly(RegHive::LocalMachine, true);

    EXPECT_TRUE(TFilterPresets::SaveDecoderSettings());
    EXPECT_TRUE(TFilterPresets::ApplyDecoderPreset());
    EXPECT_FALSE(TFilterPresets::SaveSplitterSettings());
    EXPECT_FALSE(TFilterPresets::ApplySplitterPreset());
    // The user's part of the splitter was still backed up and preset.
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::SplitterUserBackup), splitter);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::SplitterUserKey, "ui.trayicon"), 0u);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::DecoderKey, "mpg2"), 5u);
    EXPECT_EQ(dword(RegHive::LocalMachine, TFilterPresets::SplitterMachineKey, "rts"), 0u);

    EXPECT_TRUE(TFilterPresets::RestoreDecoderSettings());
    EXPECT_FALSE(TFilterPresets::RestoreSplitterSettings());
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::SplitterUserKey), splitter);
    EXPECT_EQ(keyBytes(RegHive::CurrentUser, TFilterPresets::DecoderKey), decoder);
    EXPECT_EQ(hiveBytes(RegHive::LocalMachine), machineFile);
}

TEST_F(FilterPresets, MissingKeysAreCreatedForTheDecodersOnlyAndOffMeansUntouched)
{
    TFilterPresets::AtStart(true);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::DecoderKey, "mpg1"), 5u);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::DecoderKey + "\\default", "outRGB32"), 1u);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::AudioDecoderKey + "\\default", "isOSD"), 0u);
    EXPECT_FALSE(TRegistry(RegHive::CurrentUser).KeyExists(TFilterPresets::SplitterUserKey));
    EXPECT_FALSE(TRegistry(RegHive::LocalMachine).KeyExists(TFilterPresets::SplitterMachineKey));
    EXPECT_FALSE(TRegistry(RegHive::CurrentUser).KeyExists(TFilterPresets::DecoderBackup));
    TFilterPresets::AtEnd();
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::DecoderKey, "mpg1"), 5u);

    Kill();
    TRegistry(RegHive::CurrentUser).DeleteKey(QStringLiteral("\\Software\\GNU"));
    WriteUserSettings();
    const QByteArray userFile = hiveBytes(RegHive::CurrentUser);
    const QByteArray machineFile = hiveBytes(RegHive::LocalMachine);
    TFilterPresets::AtStart(false);
    EXPECT_EQ(dword(RegHive::CurrentUser, TFilterPresets::DecoderKey, "mpg2"), 0u);
    EXPECT_EQ(dword(RegHive::LocalMachine, TFilterPresets::SplitterMachineKey, "rts"), 0u);
    TFilterPresets::AtEnd();
    EXPECT_EQ(hiveBytes(RegHive::CurrentUser), userFile);
    EXPECT_EQ(hiveBytes(RegHive::LocalMachine), machineFile);
}

TEST_F(FilterPresets, EveryPresetValueIsADwordOfTheTable)
{
    size_t video = 0, videoDefault = 0, audio = 0, audioDefault = 0;
    for (const auto& k : TFilterPresets::DecoderPreset()) {
        const QString key = QString::fromLatin1(k.key);
        if (key.endsWith("ffdshow")) video = k.values.size();
        if (key.endsWith("ffdshow\\default")) videoDefault = k.values.size();
        if (key.endsWith("ffdshow_audio")) audio = k.values.size();
        if (key.endsWith("ffdshow_audio\\default")) audioDefault = k.values.size();
    }
    EXPECT_EQ(video, 72u);
    EXPECT_EQ(videoDefault, 31u);
    EXPECT_EQ(audio, 34u);
    EXPECT_EQ(audioDefault, 2u);
}

} // namespace
