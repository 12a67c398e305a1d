#include "PrefsTestSupport.h"
#include "platform/Registry.h"
#include "prefs/PreferenceStores.h"
#include "prefs/Preferences.h"
#include "prefs/TReadPreferences.h"
#include "prefs/TWritePreferences.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>

namespace
{

// Runs ReadAll of `list` against `reader`, which stays owned by the test.
void readFrom(TparameterList& list, ScriptedReader& reader)
{
    struct Borrowed : TPreferenceReader {
        ScriptedReader& r;
        explicit Borrowed(ScriptedReader& s)
            : r(s)
        {
        }
        int32_t ReadInteger(const QString& k, int32_t d) override { return r.ReadInteger(k, d); }
        bool ReadBool(const QString& k, bool d) override { return r.ReadBool(k, d); }
        QString ReadString(const QString& k, const QString& d) override { return r.ReadString(k, d); }
        double ReadFloat(const QString& k, double d) override { return r.ReadFloat(k, d); }
        TfontRecord ReadFontRecord(const QString& k, const TfontRecord& d) override
        {
            return r.ReadFontRecord(k, d);
        }
        TincrustRec ReadIncrustRec(const QString& k, const TincrustRec& d) override
        {
            return r.ReadIncrustRec(k, d);
        }
    };
    list.SetReaderFactory(
        [&reader](const QString&, TStoreMode) { return std::make_unique<Borrowed>(reader); });
    list.ReadAll();
}

} // namespace

TEST(Parameters, ValuesReadFromTheStoreKeepTheirTypeRules)
{
    TparameterList list(PreferenceSignature);
    DeclareAllParameters(list);
    ScriptedReader store;
    store.values[QStringLiteral("Panneau Actif")] = 257;
    store.values[QStringLiteral("Raccourcis Sort")] = 258;
    store.values[QStringLiteral("DefaultRacine")] = QString();
    store.values[QStringLiteral("Decodeur MpegAudio")] = QStringLiteral("#@vide§#");
    store.values[QStringLiteral("Decodeur MpegVideo")] = QStringLiteral("Mon décodeur");
    store.values[QStringLiteral("iVolume")] = 7300;
    store.values[QStringLiteral("Mode Precision")] = false;
    TincrustRec record = DefaultIncrustRec();
    record.WhatIncrust = 2;
    record.FontRec.Name = QStringLiteral("Courier");
    store.records[QStringLiteral("IncrustRec")] = record;
    readFrom(list, store);

    // 8-bit values keep the low byte of the stored integer.
    EXPECT_EQ(ParPanneauActif->Value, 1);
    EXPECT_EQ(ParRaccourcisSort->Value, 2);
    // An emptied text, stored empty or as the marker, comes back as its default.
    EXPECT_EQ(ParDefaultRacine->Value, QStringLiteral("Stillex"));
    EXPECT_EQ(ParDecodeurMpegAudio->Value, QStringLiteral("ffdshow Audio Decoder"));
    EXPECT_EQ(ParDecodeurMpegVideo->Value, QStringLiteral("Mon décodeur"));
    EXPECT_EQ(ParIVolume->Value, 7300);
    EXPECT_FALSE(ParModePrecision->Value);
    EXPECT_TRUE(ParIncrustRec->Value == record);
    // Every key was asked for, once, in table order.
    ASSERT_EQ(store.asked.size(), 47);
    EXPECT_EQ(store.asked.first(), QStringLiteral("mainheight"));
    EXPECT_EQ(store.asked[26], QStringLiteral("Panneau Actif"));
    EXPECT_EQ(store.asked.last(), QStringLiteral("Parametrer Filtres"));

    // Kept in 8 bits, -1 is 255: no panel has that number, so the default.
    store.values[QStringLiteral("Panneau Actif")] = -1;
    readFrom(list, store);
    EXPECT_EQ(ParPanneauActif->Value, 0);

    // An emptied text is saved as the marker and so survives a save and load.
    std::vector<RecordingWriter::Entry> log;
    int closes = 0;
    RecordingWriter writer(&log, &closes);
    ParDefaultRacine->Value.clear();
    ParDefaultRacine->Write(writer);
    ParRaccourcisSort->Value = 3;
    ParRaccourcisSort->Write(writer);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].value.toString(), QStringLiteral("#@vide§#"));
    EXPECT_EQ(log[1].kind, QStringLiteral("integer"));
    EXPECT_EQ(log[1].value.toInt(), 3);
}

TEST(Parameters, StoredValuesBeyondWhatTheirControlsAllowReadAsDefaults)
{
    TparameterList list(PreferenceSignature);
    DeclareAllParameters(list);
    ScriptedReader store;
    // A settings file edited by hand, or written by something else.
    const std::pair<const char*, int32_t> beyond[] = { { "digits", 2000000000 }, { "digits", -1 },
        { "mainwidth", INT32_MAX }, { "mainheight", 100000 }, { "Top", INT32_MIN }, { "Left", 40000 },
        { "iFirstImageNum", -5 }, { "iRacineLength", 256 }, { "Valeur Intervallomètre", 0 },
        { "Valeur Intervallomètre", 1000000 }, { "Max Width", 1000000000 }, { "Max Height", -1 } };
    for (const auto& [key, value] : beyond) {
        store.values[QString::fromUtf8(key)] = value;
        readFrom(list, store);
        for (int i = 0; i < list.Count(); ++i) {
            auto* p = dynamic_cast<TIntegerParameter*>(list.Item(i));
            if (p && p->Key() == QString::fromUtf8(key))
                EXPECT_EQ(p->Value, p->Default) << key << " " << value;
        }
        store.values.clear();
    }

    // The edges themselves are values the controls take.
    store.values[QStringLiteral("digits")] = MaxDigits;
    store.values[QStringLiteral("iRacineLength")] = MaxRacineLength;
    store.values[QStringLiteral("Valeur Intervallomètre")] = MaxValeurIntervallometre;
    store.values[QStringLiteral("iFirstImageNum")] = INT32_MAX;
    store.values[QStringLiteral("Top")] = -MaxWindowExtent;
    store.values[QStringLiteral("Max Width")] = MaxPictureExtent;
    readFrom(list, store);
    EXPECT_EQ(ParDigits->Value, MaxDigits);
    EXPECT_EQ(ParRacineLength->Value, MaxRacineLength);
    EXPECT_EQ(ParValeurIntervallometre->Value, MaxValeurIntervallometre);
    EXPECT_EQ(ParFirstImageNum->Value, INT32_MAX);
    EXPECT_EQ(ParTop->Value, -MaxWindowExtent);
    EXPECT_EQ(ParMaxWidth->Value, MaxPictureExtent);

    // An inlay offset that is no number of days, or more days than any date
    // has, leaves the record's default offset; the rest of the record stays.
    for (double offset : { std::nan(""), HUGE_VAL, -3.0e6 }) {
        TincrustRec record = DefaultIncrustRec();
        record.DecalageHoraire = offset;
        record.WhatIncrust = 3;
        store.records[QStringLiteral("IncrustRec")] = record;
        readFrom(list, store);
        EXPECT_EQ(ParIncrustRec->Value.DecalageHoraire, DefaultIncrustRec().DecalageHoraire) << offset;
        EXPECT_EQ(ParIncrustRec->Value.WhatIncrust, 3) << offset;
    }
    TincrustRec record = DefaultIncrustRec();
    record.DecalageHoraire = -36524.5;
    store.records[QStringLiteral("IncrustRec")] = record;
    readFrom(list, store);
    EXPECT_EQ(ParIncrustRec->Value.DecalageHoraire, -36524.5);
}

TEST(Parameters, AFailingReadLeavesTheDefaultAndTheLoadGoesOn)
{
    TparameterList list(PreferenceSignature);
    DeclareAllParameters(list);
    ParIVolume->Value = 1234;
    ParDossierSave->Value = QStringLiteral("/ailleurs");
    ParIncrustRec->Value.Ypos = 3;
    ParPanneauActif->Value = 4;

    ScriptedReader store;
    store.failing << QStringLiteral("iVolume") << QStringLiteral("DossierSave")
                  << QStringLiteral("IncrustRec") << QStringLiteral("Panneau Actif")
                  << QStringLiteral("Vitesse Maxi");
    store.values[QStringLiteral("iVolume")] = 9999;
    store.values[QStringLiteral("Max Width")] = 1024;
    store.values[QStringLiteral("Mute On")] = true;
    readFrom(list, store);

    EXPECT_EQ(ParIVolume->Value, 5000);
    EXPECT_EQ(ParDossierSave->Value, ParDossierSave->Default);
    EXPECT_TRUE(ParIncrustRec->Value == DefaultIncrustRec());
    EXPECT_EQ(ParPanneauActif->Value, 0);
    EXPECT_FALSE(ParVitesseMaxi->Value);
    EXPECT_EQ(ParMaxWidth->Value, 1024);
    EXPECT_TRUE(ParMuteOn->Value);
    EXPECT_EQ(store.asked.size(), 47);

    // A store that cannot be opened at all loads the defaults.
    ParMaxWidth->Value = 1;
    list.SetReaderFactory([](const QString&, TStoreMode) -> std::unique_ptr<TPreferenceReader> {
        throw std::runtime_error("no store");
    });
    list.ReadAll();
    EXPECT_EQ(ParMaxWidth->Value, 736);
    ParMaxWidth->Value = 1;
    list.SetReaderFactory([](const QString&, TStoreMode) { return std::unique_ptr<TPreferenceReader>(); });
    list.ReadAll();
    EXPECT_EQ(ParMaxWidth->Value, 736);
}

TEST(Parameters, StoresOpenOnTheStorePathInTheCurrentMode)
{
    TReadPreferences reader(PreferenceStorePath, smRegistry);
    EXPECT_EQ(reader.Mode(), smRegistry);
    EXPECT_EQ(reader.SectionHeader(), QStringLiteral("[\\Software\\Kestrine\\Stillex]"));
    {
        // The writer's end writes the ini file: not beside the test program.
        QTemporaryDir folder;
        SetExecutablePathForTests(folder.path() + QStringLiteral("/stillex"));
        TWritePreferences writer(PreferenceStorePath, smIni);
        EXPECT_EQ(writer.Mode(), smIni);
        EXPECT_EQ(writer.SectionHeader(), QStringLiteral("[\\Software\\Kestrine\\Stillex]"));
        writer.Close();
        SetExecutablePathForTests(QString());
    }
    EXPECT_EQ(smRegistry, 0);
    EXPECT_EQ(smIni, 1);
    EXPECT_EQ(smNone, 2);

    // Nothing is chosen before the start-up decides.
    EXPECT_EQ(StoreMode, smNone);

    // The start-up decides the mode after the path is set and before the load.
    TStoreMode modeAtLoad = smRegistry;
    bool decided = false;
    auto list = CreatePreferences([&] {
        decided = true;
        StoreMode = smNone;
    });
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(decided);
    EXPECT_EQ(list->Count(), 47);
    EXPECT_TRUE(PreferencesDeclared());
    EXPECT_EQ(ParDefaultRacine->Owner(), list.get());
    list->SetReaderFactory([&](const QString& path, TStoreMode mode) {
        modeAtLoad = mode;
        EXPECT_EQ(path, PreferenceStorePath);
        return std::make_unique<TReadPreferences>(path, mode);
    });
    list->ReadAll();
    EXPECT_EQ(modeAtLoad, smNone);

    // A decision that fails leaves no store, yet every parameter is made.
    StoreMode = smIni;
    auto failed = CreatePreferences([] { throw std::runtime_error("unreadable"); });
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(StoreMode, smNone);
    EXPECT_EQ(failed->Count(), 47);
    EXPECT_EQ(ParJpegQuality->Owner(), failed.get());
    EXPECT_EQ(ParJpegQuality->Value, 50);
}

TEST(Parameters, ReferencesNeverOutliveTheirList)
{
    auto first = std::make_unique<TparameterList>(PreferenceSignature);
    DeclareAllParameters(*first);
    EXPECT_EQ(ParTop->Owner(), first.get());

    // A newer list takes the references; the older one dying leaves them.
    auto second = std::make_unique<TparameterList>(PreferenceSignature);
    DeclareAllParameters(*second);
    first.reset();
    ASSERT_TRUE(PreferencesDeclared());
    EXPECT_EQ(ParTop->Owner(), second.get());
    EXPECT_EQ(ParParametrerFiltres->Owner(), second.get());

    second.reset();
    EXPECT_EQ(ParTop, nullptr);
    EXPECT_EQ(ParIncrustRec, nullptr);
    EXPECT_EQ(ParParametrerFiltres, nullptr);
    EXPECT_FALSE(PreferencesDeclared());

    // Code running without the main window's list still finds defaults.
    EnsureDefaultPreferences();
    ASSERT_TRUE(PreferencesDeclared());
    EXPECT_EQ(ParMaxWidth->Value, 736);
    EXPECT_EQ(ParDefaultRacine->Value, QStringLiteral("Stillex"));
    TparameterList* defaults = ParMaxWidth->Owner();
    EnsureDefaultPreferences();
    EXPECT_EQ(ParMaxWidth->Owner(), defaults);
    EXPECT_EQ(defaults->Count(), 47);
}

namespace
{

// Points the registry at an empty folder of its own, without the values the
// platform would otherwise supply, for the life of the object.
class ScratchRegistry
{
public:
    ScratchRegistry()
        : m_oldDir(qgetenv("STILLEX_REGISTRY_DIR"))
        , m_hadDir(qEnvironmentVariableIsSet("STILLEX_REGISTRY_DIR"))
        , m_oldNoValues(qgetenv("STILLEX_NO_PLATFORM_VALUES"))
        , m_hadNoValues(qEnvironmentVariableIsSet("STILLEX_NO_PLATFORM_VALUES"))
    {
        qputenv("STILLEX_REGISTRY_DIR", m_dir.path().toLocal8Bit());
        qputenv("STILLEX_NO_PLATFORM_VALUES", "1");
        TRegistry::ResetForTests();
    }
    ~ScratchRegistry()
    {
        restore("STILLEX_REGISTRY_DIR", m_hadDir, m_oldDir);
        restore("STILLEX_NO_PLATFORM_VALUES", m_hadNoValues, m_oldNoValues);
        TRegistry::ResetForTests();
    }
    // Lets the platform supply its folders again, the hive still empty.
    void showPlatformValues()
    {
        qputenv("STILLEX_NO_PLATFORM_VALUES", "0");
        TRegistry::ResetForTests();
    }
    void setShellFolder(const char* name, const QString& value)
    {
        TRegistry registry(RegHive::CurrentUser);
        ASSERT_TRUE(registry.OpenKey(
            QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"), true));
        ASSERT_TRUE(registry.WriteString(QString::fromLatin1(name), value));
    }

private:
    static void restore(const char* name, bool had, const QByteArray& value)
    {
        if (had)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    QTemporaryDir m_dir;
    QByteArray m_oldDir;
    bool m_hadDir;
    QByteArray m_oldNoValues;
    bool m_hadNoValues;
};

} // namespace

TEST(Parameters, DossierSaveDefaultsToPicturesThenDocumentsThenC)
{
    {
        // On this system the pictures folder comes from the user's own folders.
        ScratchRegistry platform;
        platform.showPlatformValues();
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        if (QDir(pictures).exists()) EXPECT_EQ(DefaultDossierSave(), pictures);
    }
    {
        // A desktop that never made its folders: images go home, never into
        // a folder that is not there.
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        ScratchRegistry platform;
        platform.showPlatformValues();
        EXPECT_EQ(DefaultDossierSave(), home.path());
        ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("Pictures")));
        EXPECT_EQ(DefaultDossierSave(), home.path() + QStringLiteral("/Pictures"));
        qputenv("HOME", oldHome);
        if (oldConfig.isEmpty())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", oldConfig);
    }

    ScratchRegistry registry;
    EXPECT_EQ(DefaultDossierSave(), QStringLiteral("c:"));

    registry.setShellFolder("Personal", QStringLiteral("/home/moi/Documents"));
    EXPECT_EQ(DefaultDossierSave(), QStringLiteral("/home/moi/Documents"));

    registry.setShellFolder("My Pictures", QString());
    EXPECT_EQ(DefaultDossierSave(), QStringLiteral("/home/moi/Documents"));

    registry.setShellFolder("My Pictures", QStringLiteral("/home/moi/Images à trier"));
    EXPECT_EQ(DefaultDossierSave(), QStringLiteral("/home/moi/Images à trier"));

    TparameterList list(PreferenceSignature);
    DeclareAllParameters(list);
    EXPECT_EQ(ParDossierSave->Default, QStringLiteral("/home/moi/Images à trier"));
    EXPECT_EQ(ParDossierSave->Value, ParDossierSave->Default);
}
