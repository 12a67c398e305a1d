#include "platform/Registry.h"

#include "platform/PlatformValues.h"
#include "platform/RegHiveFile.h"
#include "platform/RegistryBatch.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace
{

const QString StoreKey = QStringLiteral("\\Software\\Kestrine\\Stillex");
const QString ShellFolders
    = QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");

class RegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("STILLEX_REGISTRY_DIR", m_dir.path().toUtf8());
        qunsetenv("STILLEX_NO_PLATFORM_VALUES");
        TRegistry::ResetForTests();
    }
    void TearDown() override
    {
        TRegistry::ResetForTests();
        qunsetenv("STILLEX_REGISTRY_DIR");
        qunsetenv("STILLEX_NO_PLATFORM_VALUES");
    }

    QString hivePath(const QString& name = QStringLiteral("HKEY_CURRENT_USER")) const
    {
        return m_dir.path() + u'/' + name + QStringLiteral(".reg");
    }
    QByteArray fileBytes(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeFile(const QString& path, const QByteArray& bytes) const
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QStringList folderEntries() const
    {
        return QDir(m_dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    QTemporaryDir m_dir;
};

QByteArray doubleBytes(double d)
{
    QByteArray b(8, '\0');
    std::memcpy(b.data(), &d, 8);
    return b;
}

} // namespace

TEST_F(RegistryTest, ValuesComeBackFromTheFileAsWritten)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(StoreKey, true));
        EXPECT_TRUE(reg.WriteString(QStringLiteral("Incrust1"), QStringLiteral("réalisé le %R")));
        EXPECT_TRUE(reg.WriteString(QStringLiteral("Vide"), QStringLiteral("#@vide§#")));
        EXPECT_TRUE(reg.WriteString(QStringLiteral("Nothing"), QString()));
        EXPECT_TRUE(reg.WriteString(QStringLiteral("q\"uote=d]"), QStringLiteral("C:\\a \"b\" [c]=d")));
        EXPECT_TRUE(reg.WriteExpandString(QStringLiteral("Path"), QStringLiteral("%HOME%\\Vidéos")));
        EXPECT_TRUE(reg.WriteInteger(QStringLiteral("mainheight"), 522));
        EXPECT_TRUE(reg.WriteInteger(QStringLiteral("Big"), 0xfffffffeu));
        EXPECT_TRUE(reg.WriteBinaryData(QStringLiteral("Decalage Horaire"), doubleBytes(-0.25)));
        EXPECT_TRUE(reg.WriteString(QString(), QStringLiteral("défaut")));
        // Names the file could not carry, and text that is not valid UTF-16.
        EXPECT_FALSE(reg.WriteString(QStringLiteral("two\nlines"), QStringLiteral("x")));
        EXPECT_FALSE(reg.WriteString(QStringLiteral("lone"), QString(QChar(0xD800))));
    }
    TRegistry::ResetForTests();

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(StoreKey));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Incrust1")), QStringLiteral("réalisé le %R"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Vide")), QStringLiteral("#@vide§#"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Nothing")), QString());
    EXPECT_EQ(reg.ReadString(QStringLiteral("q\"uote=d]")), QStringLiteral("C:\\a \"b\" [c]=d"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Path")), QStringLiteral("%HOME%\\Vidéos"));
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Path")), RegDataType::ExpandSz);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("mainheight")), 522u);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Big")), 0xfffffffeu);
    EXPECT_EQ(reg.ReadBinaryData(QStringLiteral("Decalage Horaire")), doubleBytes(-0.25));
    EXPECT_EQ(reg.ReadString(QString()), QStringLiteral("défaut"));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("two\nlines")));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("lone")));

    // A value of another type is absent to the typed readers.
    EXPECT_EQ(reg.ReadString(QStringLiteral("mainheight")), std::nullopt);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Incrust1")), std::nullopt);
    EXPECT_EQ(reg.ReadBinaryData(QStringLiteral("mainheight")), std::nullopt);
    EXPECT_EQ(reg.GetDataType(QStringLiteral("absent")), RegDataType::None);
    EXPECT_FALSE(reg.ReadValue(QStringLiteral("absent")).has_value());
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheirFirstSpelling)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Kestrine\\Stillex"), true));
    ASSERT_TRUE(reg.WriteString(QStringLiteral("Exename"), QStringLiteral("/usr/bin/stillex")));
    ASSERT_TRUE(reg.WriteString(QStringLiteral("EXENAME"), QStringLiteral("/opt/stillex")));
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Édition"), 1));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\SOFTWARE\\kestrine\\STILLEX\\FontRec"), true));

    TRegistry::ResetForTests();
    TRegistry other;
    ASSERT_TRUE(other.OpenKeyReadOnly(QStringLiteral("\\software\\KESTRINE\\stillex")));
    EXPECT_EQ(other.ReadString(QStringLiteral("ExeName")), QStringLiteral("/opt/stillex"));
    EXPECT_EQ(other.ReadInteger(QStringLiteral("éDITION")), 1u);
    EXPECT_EQ(other.GetValueNames(), QStringList({ QStringLiteral("Exename"), QStringLiteral("Édition") }));
    EXPECT_EQ(other.GetKeyNames(), QStringList({ QStringLiteral("FontRec") }));
    ASSERT_TRUE(other.OpenKeyReadOnly(QStringLiteral("\\Software")));
    EXPECT_EQ(other.GetKeyNames().filter(QStringLiteral("kestrine"), Qt::CaseInsensitive),
        QStringList({ QStringLiteral("Kestrine") }));
    const QByteArray file = fileBytes(hivePath());
    EXPECT_TRUE(file.contains("[HKEY_CURRENT_USER\\Software\\Kestrine\\Stillex\\FontRec]"));
    EXPECT_FALSE(file.contains("EXENAME"));
}

TEST_F(RegistryTest, KeysOpenEnumerateAndDeleteAsTheRegistryDoes)
{
    TRegistry reg;
    EXPECT_FALSE(reg.HasOpenKey());
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("\\Software\\GNU\\ffdshow"), false));
    ASSERT_TRUE(
        reg.OpenKey(QStringLiteral("\\Software\\GNU\\ffdshow\\"), true)); // trailing "\" as callers write it
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\GNU\\ffdshow"));
    for (const char* name : { "trayIcon", "addToROT", "isOSD", "Zeta", "alpha" })
        ASSERT_TRUE(reg.WriteInteger(QString::fromLatin1(name), 0));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("default"), true)); // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\GNU\\ffdshow\\default"));
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("isDeinterlace"), 1));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Deeper\\Still"), true));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\GNU\\ffdshow_audio"), true));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\GNU\\Beta"), true));

    // A failed open keeps the key that was open.
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("Missing"), false));
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\GNU\\Beta"));

    TRegistry::ResetForTests();
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\Software\\GNU")));
    EXPECT_TRUE(reg.HasSubKeys());
    EXPECT_EQ(reg.GetKeyNames(),
        QStringList({ QStringLiteral("Beta"), QStringLiteral("ffdshow"), QStringLiteral("ffdshow_audio") }));
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("ffdshow\\default\\deeper\\still")));
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("ffdshow")));
    EXPECT_EQ(reg.GetValueNames(),
        QStringList({ QStringLiteral("trayIcon"), QStringLiteral("addToROT"), QStringLiteral("isOSD"),
            QStringLiteral("Zeta"), QStringLiteral("alpha") }));

    // A key opened read-only refuses every change.
    EXPECT_FALSE(reg.WriteInteger(QStringLiteral("trayIcon"), 1));
    EXPECT_FALSE(reg.DeleteValue(QStringLiteral("trayIcon")));
    EXPECT_FALSE(reg.DeleteKey(QStringLiteral("default")));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("trayIcon")), 0u);

    TRegistry writer;
    ASSERT_TRUE(writer.OpenKey(QStringLiteral("\\Software\\GNU\\ffdshow\\default"), false));
    TRegistry deleter;
    EXPECT_FALSE(deleter.DeleteKey(QString())); // never the whole hive
    EXPECT_FALSE(deleter.DeleteKey(QStringLiteral("\\"))); // the same, spelt as a path
    EXPECT_TRUE(deleter.DeleteKey(QStringLiteral("\\SOFTWARE\\gnu\\FFDSHOW")));
    EXPECT_FALSE(deleter.DeleteKey(QStringLiteral("\\Software\\GNU\\ffdshow")));
    EXPECT_FALSE(deleter.KeyExists(QStringLiteral("\\Software\\GNU\\ffdshow\\default\\Deeper")));
    EXPECT_TRUE(deleter.KeyExists(QStringLiteral("\\Software\\GNU\\ffdshow_audio")));
    // The accessor still open on a deleted key cannot bring it back by writing.
    EXPECT_FALSE(writer.WriteInteger(QStringLiteral("isDeinterlace"), 2));
    EXPECT_FALSE(deleter.KeyExists(QStringLiteral("\\Software\\GNU\\ffdshow")));

    ASSERT_TRUE(deleter.OpenKey(QStringLiteral("\\Software\\GNU\\ffdshow_audio"), false));
    EXPECT_FALSE(deleter.HasSubKeys());
    EXPECT_TRUE(deleter.GetValueNames().isEmpty());
    deleter.CloseKey();
    EXPECT_FALSE(deleter.HasOpenKey());
    EXPECT_TRUE(deleter.KeyExists(QStringLiteral("Software\\GNU"))); // relative to the root now

    TRegistry::ResetForTests();
    TRegistry after;
    EXPECT_FALSE(after.KeyExists(QStringLiteral("\\Software\\GNU\\ffdshow")));
    EXPECT_TRUE(after.KeyExists(QStringLiteral("\\Software\\GNU\\Beta")));

    // The machine hive is a hive of its own.
    TRegistry machine(RegHive::LocalMachine);
    EXPECT_FALSE(machine.KeyExists(QStringLiteral("\\Software\\GNU")));
    ASSERT_TRUE(machine.OpenKey(QStringLiteral("\\SOFTWARE\\HaaliMkx"), true));
    ASSERT_TRUE(machine.WriteInteger(QStringLiteral("rAvi"), 0));
    EXPECT_TRUE(fileBytes(hivePath(QStringLiteral("HKEY_LOCAL_MACHINE")))
                    .contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\HaaliMkx]\n\"rAvi\"=dword:00000000"));
    machine.SetRootKey(RegHive::CurrentUser);
    EXPECT_FALSE(machine.HasOpenKey());
    EXPECT_FALSE(machine.KeyExists(QStringLiteral("\\SOFTWARE\\HaaliMkx")));
}

TEST_F(RegistryTest, EverySaveLeavesOneCompleteHiveFile)
{
    const QString nested = m_dir.path() + QStringLiteral("/not/yet/there");
    qputenv("STILLEX_REGISTRY_DIR", nested.toUtf8());
    TRegistry::ResetForTests();
    EXPECT_EQ(TRegistry::StoreFolder(), nested);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(StoreKey, true));
    const QString file = nested + QStringLiteral("/HKEY_CURRENT_USER.reg");
    ASSERT_TRUE(reg.WriteString(QStringLiteral("First"), QStringLiteral("1")));
    for (int i = 0; i < 40; ++i) {
        // The hive is replaced by a new file, never rewritten in place: whoever
        // still reads the previous one reads it whole.
        QFile previous(file);
        ASSERT_TRUE(previous.open(QIODevice::ReadOnly));
        const QByteArray before = fileBytes(file);
        const QString name = QStringLiteral("Value%1").arg(i);
        ASSERT_TRUE(reg.WriteString(name, QStringLiteral("texte n°%1").arg(i)));
        ASSERT_EQ(previous.readAll(), before);
        const TRegHiveFile::TParsed parsed
            = TRegHiveFile::Parse(fileBytes(file), QStringLiteral("HKEY_CURRENT_USER"));
        ASSERT_TRUE(parsed.recognised);
        ASSERT_EQ(parsed.skippedLines, 0);
        const TRegKeyNode* key = parsed.root->Find(StoreKey.mid(1).split(u'\\'));
        ASSERT_NE(key, nullptr);
        ASSERT_EQ(key->ValueNames().size(), i + 2);
        ASSERT_EQ(QDir(nested).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList({ QStringLiteral("HKEY_CURRENT_USER.reg") }));
    }
    // A batch holds the saves back until its end, nested batches included.
    {
        TRegistryBatch outer;
        const QByteArray before = fileBytes(file);
        for (int i = 0; i < 100; ++i)
            ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Batched%1").arg(i), uint32_t(i)));
        {
            TRegistryBatch inner;
            ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Inner"), 1));
            EXPECT_TRUE(inner.Commit());
        }
        EXPECT_EQ(fileBytes(file), before);
        EXPECT_EQ(reg.ReadInteger(QStringLiteral("batched99")), 99u);
        EXPECT_TRUE(outer.Commit());
        EXPECT_TRUE(outer.Commit());
    }
    TRegistry::ResetForTests();
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Batched99")), 99u);
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Inner")), 1u);
    {
        TRegistryBatch unfinished;
        ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Unfinished"), 5));
    } // the destructor saves
    EXPECT_TRUE(fileBytes(file).contains("\"Unfinished\"=dword:00000005"));

    ASSERT_TRUE(reg.DeleteValue(QStringLiteral("Value0")));
    EXPECT_FALSE(fileBytes(file).contains("\"Value0\""));
    EXPECT_FALSE(reg.DeleteValue(QStringLiteral("Value0")));
    // Reading alone never creates the machine hive's file.
    TRegistry machine(RegHive::LocalMachine);
    EXPECT_FALSE(machine.KeyExists(QStringLiteral("\\Anything")));
    EXPECT_FALSE(QFile::exists(nested + QStringLiteral("/HKEY_LOCAL_MACHINE.reg")));
}

TEST_F(RegistryTest, UnreadableHiveIsReadAsEmptyAndKeptAside)
{
    const QByteArray garbage("\x89PNG\r\n\x1a\n\x00\x00 not a hive \xff\xfe", 24);
    writeFile(hivePath(), garbage);

    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists(StoreKey));
    EXPECT_FALSE(reg.OpenKey(StoreKey, false));
    EXPECT_TRUE(reg.GetKeyNames().filter(QStringLiteral("Kestrine")).isEmpty());
    EXPECT_EQ(fileBytes(hivePath()), garbage); // reads leave it alone

    ASSERT_TRUE(reg.OpenKey(StoreKey, true));
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Top"), 10));
    EXPECT_EQ(fileBytes(hivePath() + QStringLiteral(".bad")), garbage);
    EXPECT_TRUE(fileBytes(hivePath()).startsWith("REGEDIT4\n"));

    // A second bad file does not replace the first backup.
    const QByteArray otherGarbage("still not a hive");
    writeFile(hivePath(), otherGarbage);
    TRegistry::ResetForTests();
    ASSERT_TRUE(reg.OpenKey(StoreKey, true));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("Top")));
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Left"), 20));
    EXPECT_EQ(fileBytes(hivePath() + QStringLiteral(".bad")), garbage);
    EXPECT_EQ(fileBytes(hivePath() + QStringLiteral(".bad.2")), otherGarbage);

    // A partly damaged file: what can be read is kept, the original is kept aside.
    const QByteArray partly = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kestrine\\Stillex]\n"
                              "\"Top\"=dword:00000007\n\"Broken\"=dword:xyz\n\"Name\"=\"gardé\"\n";
    writeFile(hivePath(), partly);
    TRegistry::ResetForTests();
    ASSERT_TRUE(reg.OpenKey(StoreKey, false));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Top")), 7u);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Name")), QStringLiteral("gardé"));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("Broken")));
    EXPECT_EQ(fileBytes(hivePath()), partly);
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Left"), 30));
    EXPECT_EQ(fileBytes(hivePath() + QStringLiteral(".bad.3")), partly);
    TRegistry::ResetForTests();
    ASSERT_TRUE(reg.OpenKey(StoreKey, false));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Top")), 7u);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Name")), QStringLiteral("gardé"));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Left")), 30u);

    // A later save of a sound hive makes no further backup.
    ASSERT_TRUE(reg.WriteInteger(QStringLiteral("Left"), 31));
    EXPECT_FALSE(QFile::exists(hivePath() + QStringLiteral(".bad.4")));

    // A folder where the hive file should be is not a hive either, and is not destroyed.
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("HKEY_LOCAL_MACHINE.reg/inside")));
    TRegistry machine(RegHive::LocalMachine);
    EXPECT_FALSE(machine.KeyExists(QStringLiteral("\\SOFTWARE\\HaaliMkx")));
    ASSERT_TRUE(machine.OpenKey(QStringLiteral("\\SOFTWARE\\HaaliMkx"), true));
    EXPECT_TRUE(
        QDir(hivePath(QStringLiteral("HKEY_LOCAL_MACHINE")) + QStringLiteral(".bad/inside")).exists());
}

TEST_F(RegistryTest, PlatformProvidesFoldersAndMediaVersionUnlessTheHiveHoldsThem)
{
    // A home of the test's own, with a pictures folder and no documents
    // folder: the desktop's folders count when they exist, and the home
    // folder stands in for the documents.
    struct THome {
        QTemporaryDir dir;
        QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
        THome()
        {
            qputenv("HOME", dir.path().toUtf8());
            qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
        }
        ~THome()
        {
            qputenv("HOME", home);
            if (config.isEmpty())
                qunsetenv("XDG_CONFIG_HOME");
            else
                qputenv("XDG_CONFIG_HOME", config);
        }
    } home;
    ASSERT_TRUE(QDir(home.dir.path()).mkpath(QStringLiteral("Pictures")));
    const QString pictures = home.dir.path() + QStringLiteral("/Pictures");
    const QString documents = home.dir.path();
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(ShellFolders));
    EXPECT_EQ(reg.ReadString(QStringLiteral("my pictures")), pictures);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Personal")), documents);
    EXPECT_EQ(reg.GetDataType(QStringLiteral("My Pictures")), RegDataType::Sz);
    EXPECT_EQ(
        reg.GetValueNames(), QStringList({ QStringLiteral("My Pictures"), QStringLiteral("Personal") }));
    // A pictures folder that is not there is not answered.
    ASSERT_TRUE(QDir(pictures).removeRecursively());
    EXPECT_FALSE(reg.ReadString(QStringLiteral("My Pictures")));
    EXPECT_EQ(reg.GetValueNames(), QStringList({ QStringLiteral("Personal") }));
    ASSERT_TRUE(QDir(home.dir.path()).mkpath(QStringLiteral("Pictures")));
    ASSERT_TRUE(
        reg.OpenKeyReadOnly(QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer")));
    EXPECT_EQ(reg.GetKeyNames(), QStringList({ QStringLiteral("Shell Folders") }));
    // Provided values cannot be deleted; they are not in the hive.
    EXPECT_FALSE(TRegistry().DeleteKey(ShellFolders));

    // Writing into the key stores only what was written.
    ASSERT_TRUE(reg.OpenKey(ShellFolders, false));
    ASSERT_TRUE(reg.WriteString(QStringLiteral("My Pictures"), QStringLiteral("/data/Photos")));
    ASSERT_TRUE(reg.WriteString(QStringLiteral("AppData"), QStringLiteral("/data/app")));
    TRegistry::ResetForTests();
    EXPECT_EQ(reg.ReadString(QStringLiteral("My Pictures")), QStringLiteral("/data/Photos"));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Personal")), documents);
    EXPECT_EQ(reg.GetValueNames(),
        QStringList(
            { QStringLiteral("My Pictures"), QStringLiteral("AppData"), QStringLiteral("Personal") }));
    const QByteArray file = fileBytes(hivePath());
    EXPECT_TRUE(file.contains("\"My Pictures\"=\"/data/Photos\""));
    EXPECT_FALSE(file.contains("Personal"));

    // The DirectX version is there when the media runtime is usable, and
    // only once someone said how to find out.
    TRegistry machine(RegHive::LocalMachine);
    TPlatformValues::SetMediaRuntimeProbe(nullptr);
    EXPECT_FALSE(machine.OpenKeyReadOnly(QStringLiteral("\\Software\\Microsoft\\DirectX")));
    TPlatformValues::SetMediaRuntimeProbe([] { return false; });
    EXPECT_FALSE(machine.KeyExists(QStringLiteral("\\Software\\Microsoft\\DirectX")));
    TPlatformValues::SetMediaRuntimeProbe([] { return true; });
    ASSERT_TRUE(machine.OpenKeyReadOnly(QStringLiteral("\\Software\\Microsoft\\DirectX")));
    EXPECT_EQ(machine.ReadString(QStringLiteral("Version")), QStringLiteral("4.09.00.0904"));
    machine.CloseKey();
    EXPECT_TRUE(machine.KeyExists(QStringLiteral("\\SOFTWARE\\MICROSOFT\\DIRECTX")));
    EXPECT_FALSE(QFile::exists(hivePath(QStringLiteral("HKEY_LOCAL_MACHINE"))));

    qputenv("STILLEX_NO_PLATFORM_VALUES", "1");
    EXPECT_FALSE(machine.KeyExists(QStringLiteral("\\Software\\Microsoft\\DirectX")));
    EXPECT_FALSE(machine.OpenKeyReadOnly(QStringLiteral("\\Software\\Microsoft\\DirectX")));
    EXPECT_EQ(machine.ReadString(QStringLiteral("Version")), std::nullopt);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Personal")), std::nullopt);
    EXPECT_EQ(
        reg.ReadString(QStringLiteral("My Pictures")), QStringLiteral("/data/Photos")); // the hive's own
    EXPECT_EQ(reg.GetValueNames(), QStringList({ QStringLiteral("My Pictures"), QStringLiteral("AppData") }));

    // With the values hidden, a value the hive holds still answers.
    ASSERT_TRUE(machine.OpenKey(QStringLiteral("\\Software\\Microsoft\\DirectX"), true));
    ASSERT_TRUE(machine.WriteString(QStringLiteral("Version"), QStringLiteral("4.08.01.0881")));
    qunsetenv("STILLEX_NO_PLATFORM_VALUES");
    EXPECT_EQ(machine.ReadString(QStringLiteral("Version")), QStringLiteral("4.08.01.0881"));
}

TEST_F(RegistryTest, WritersOnSeveralThreadsAllLand)
{
    constexpr int threads = 4;
    constexpr int perThread = 25;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t] {
            TRegistry reg;
            for (int i = 0; i < perThread; ++i) {
                if (!reg.OpenKey(QStringLiteral("\\Software\\Thread%1\\Key%2").arg(t).arg(i % 3), true))
                    return;
                reg.WriteInteger(QStringLiteral("v%1").arg(i), uint32_t(t * 1000 + i));
            }
        });
    }
    for (auto& w : workers)
        w.join();
    TRegistry::ResetForTests();
    TRegistry reg;
    int found = 0;
    for (int t = 0; t < threads; ++t) {
        for (int i = 0; i < perThread; ++i) {
            ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\Software\\Thread%1\\Key%2").arg(t).arg(i % 3)));
            found += reg.ReadInteger(QStringLiteral("v%1").arg(i)) == uint32_t(t * 1000 + i);
        }
    }
    EXPECT_EQ(found, threads * perThread);
    EXPECT_EQ(folderEntries(), QStringList({ QStringLiteral("HKEY_CURRENT_USER.reg") }));
}
