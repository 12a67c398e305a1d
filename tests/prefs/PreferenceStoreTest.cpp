#include "platform/Registry.h"
#include "prefs/PreferenceStores.h"
#include "prefs/Preferences.h"
#include "prefs/TIniLines.h"
#include "prefs/TReadPreferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace
{

// A registry and an executable folder of the test's own; the store mode
// put back afterwards.
class PreferenceStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("STILLEX_REGISTRY_DIR", (m_dir.path() + QStringLiteral("/registry")).toUtf8());
        TRegistry::ResetForTests();
        QDir(m_dir.path()).mkpath(QStringLiteral("app"));
        SetExecutablePathForTests(exe());
        m_savedMode = StoreMode;
    }
    void TearDown() override
    {
        StoreMode = m_savedMode;
        SetExecutablePathForTests(QString());
        qunsetenv("STILLEX_REGISTRY_DIR");
        TRegistry::ResetForTests();
    }

    QString exe() const { return m_dir.path() + QStringLiteral("/app/stillex"); }
    static QByteArray fileBytes(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void putFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray utf16(const QString& text)
    {
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    }
    // A list of every preference at its default, loaded in `mode`.
    static std::unique_ptr<TparameterList> loaded(TStoreMode mode)
    {
        StoreMode = mode;
        auto list = std::make_unique<TparameterList>(PreferenceSignature);
        DeclareAllParameters(*list);
        list->ReadAll();
        return list;
    }

    QTemporaryDir m_dir;
    TStoreMode m_savedMode = smNone;
};

// Every parameter away from its default, within its range; texts accented,
// one text of the inlay record empty.
void changeEverything(TparameterList& list)
{
    for (int i = 0; i < list.Count(); ++i) {
        TParameter* p = list.Item(i);
        if (auto* n = dynamic_cast<TIntegerParameter*>(p))
            n->Value = n->Default < n->Max ? n->Default + 1 : n->Default - 1;
        else if (auto* b = dynamic_cast<TByteParameter*>(p))
            b->Value = b->Default < b->Max ? b->Default + 1 : b->Default - 1;
        else if (auto* f = dynamic_cast<TBooleanParameter*>(p))
            f->Value = !f->Default;
        else if (auto* t = dynamic_cast<TWideStringParameter*>(p))
            t->Value = QStringLiteral("Été à Noël — ") + t->Key();
    }
    TincrustRec& r = ParIncrustRec->Value;
    r.Incrust1 = QStringLiteral("tourné à %R «ici»");
    r.Incrust2.clear();
    r.FormatDate1 = QStringLiteral("dd/mm");
    r.FormatDate2 = QStringLiteral("hh:nn");
    r.DecalageHoraire = -1.0 / 24;
    r.FontRec = { QStringLiteral("DejaVu Sans"), 33, 0x00FF8000, true, true, true, true };
    r.Autofontsize = false;
    r.BorderSize = 4;
    r.WhatIncrust = 1;
    r.Alignement = 3;
    r.BorderColor = 0x00102030;
    r.Xpos = 12;
    r.Ypos = 990;
}

QStringList valuesOf(const TparameterList& list)
{
    QStringList values;
    for (int i = 0; i < list.Count(); ++i) {
        TParameter* p = list.Item(i);
        QString v;
        if (auto* n = dynamic_cast<TIntegerParameter*>(p)) v = QString::number(n->Value);
        if (auto* b = dynamic_cast<TByteParameter*>(p)) v = QString::number(b->Value);
        if (auto* f = dynamic_cast<TBooleanParameter*>(p)) v = QString::number(f->Value);
        if (auto* t = dynamic_cast<TWideStringParameter*>(p)) v = t->Value;
        values << p->Key() + QLatin1Char('=') + v;
    }
    return values;
}

} // namespace

TEST_F(PreferenceStore, EveryParameterComesBackFromEitherStore)
{
    for (TStoreMode mode : { smRegistry, smIni }) {
        SCOPED_TRACE(mode == smRegistry ? "registry" : "ini");
        auto saved = loaded(mode);
        changeEverything(*saved);
        ASSERT_TRUE(saved->WriteAll()) << saved->SaveFailure().toStdString();
        const QStringList written = valuesOf(*saved);
        const TincrustRec record = ParIncrustRec->Value;
        saved.reset();

        auto back = loaded(mode);
        EXPECT_EQ(valuesOf(*back), written);
        TincrustRec read = ParIncrustRec->Value;
        EXPECT_NEAR(read.DecalageHoraire, record.DecalageHoraire, 1e-15);
        if (mode == smRegistry) EXPECT_EQ(read.DecalageHoraire, record.DecalageHoraire);
        read.DecalageHoraire = record.DecalageHoraire;
        EXPECT_EQ(read, record);
        EXPECT_TRUE(read.Incrust2.isEmpty());

        // An emptied text is stored as the marker and returns as its default.
        ParDefaultRacine->Value.clear();
        ASSERT_TRUE(back->WriteAll());
        back.reset();
        back = loaded(mode);
        EXPECT_EQ(ParDefaultRacine->Value, QStringLiteral("Stillex"));
    }
}

TEST_F(PreferenceStore, RegistryValuesHaveTheirTypesAndTheRecordItsOrder)
{
    auto list = loaded(smRegistry);
    ParDefaultRacine->Value.clear();
    ASSERT_TRUE(list->WriteAll());

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(PreferenceStorePath));
    EXPECT_EQ(reg.GetValueNames().mid(0, 4),
        (QStringList { "Signature", "DerniereSauvegarde", "ExeName", "mainheight" }));
    EXPECT_EQ(reg.ReadString(QStringLiteral("exename")), exe());
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Vitesse Maxi")), RegDataType::Dword);
    EXPECT_EQ(reg.ReadString(QStringLiteral("DefaultRacine")), EmptyStringMarker);
    ASSERT_TRUE(reg.OpenKeyReadOnly(PreferenceStorePath + QStringLiteral("\\IncrustRec")));
    EXPECT_EQ(reg.GetValueNames(),
        (QStringList { "Incrust1", "Incrust2", "FormatDate1", "FormatDate2", "Decalage Horaire",
            "Autofontsize", "BorderSize", "What Incrust", "Alignement", "BorderColor", "Xpos", "Ypos" }));
    EXPECT_EQ(reg.ReadBinaryData(QStringLiteral("Decalage Horaire")), QByteArray(8, '\0'));
    EXPECT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("FontRec")));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("FontColor")), 15780518u);
}

TEST_F(PreferenceStore, WrongTypesAndValuesOutOfRangeReadAsDefaults)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(PreferenceStorePath, true));
    reg.WriteString(QStringLiteral("JpegQuality"), QStringLiteral("85")); // a text, not a number
    reg.WriteInteger(QStringLiteral("iVolume"), 20000);
    reg.WriteInteger(QStringLiteral("Panneau Actif"), 257); // kept in 8 bits: 1
    reg.WriteInteger(QStringLiteral("Raccourcis Sort"), 9);
    reg.WriteInteger(QStringLiteral("DefaultRacine"), 3);
    reg.WriteExpandString(QStringLiteral("DossierSave"), QStringLiteral("/srv/images"));
    reg.WriteInteger(QStringLiteral("Traiter Erreurs"), 7); // any non-zero is true
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("IncrustRec"), true));
    reg.WriteBinaryData(QStringLiteral("Decalage Horaire"), QByteArray(4, '\x01'));
    reg.WriteInteger(QStringLiteral("What Incrust"), 42);
    reg.WriteInteger(QStringLiteral("Xpos"), 100);
    reg.WriteInteger(QStringLiteral("Ypos"), uint32_t(-5));
    reg.WriteString(QStringLiteral("Incrust1"), QString());

    auto list = loaded(smRegistry);
    EXPECT_EQ(ParJpegQuality->Value, 50);
    EXPECT_EQ(ParIVolume->Value, 5000);
    EXPECT_EQ(ParPanneauActif->Value, 1);
    EXPECT_EQ(ParRaccourcisSort->Value, 0);
    EXPECT_EQ(ParDefaultRacine->Value, QStringLiteral("Stillex"));
    EXPECT_EQ(ParDossierSave->Value, QStringLiteral("/srv/images"));
    EXPECT_TRUE(ParTraiterErreurs->Value);
    const TincrustRec& r = ParIncrustRec->Value;
    EXPECT_EQ(r.DecalageHoraire, 0.0);
    EXPECT_EQ(r.WhatIncrust, 5);
    EXPECT_EQ(r.Xpos, 100);
    EXPECT_EQ(r.Ypos, 914);
    EXPECT_EQ(r.Incrust1, QString()); // strings of the record are stored as they are
    EXPECT_EQ(r.FontRec, DefaultFontRecord()); // no FontRec subkey

    // The ini file: what does not parse is the default too, not 0.
    putFile(IniStorePath(),
        "[\\Software\\Kestrine\\Stillex]\nJpegQuality=beaucoup\nTop= 40 \nIncrustRec\\Decalage Horaire=x\n"
        "IncrustRec\\FontRec\\FontBold=\nIncrustRec\\Decalage Horaire=0,5\n");
    list = loaded(smIni);
    EXPECT_EQ(ParJpegQuality->Value, 50);
    EXPECT_EQ(ParTop->Value, 40);
    EXPECT_TRUE(ParIncrustRec->Value.FontRec.Bold); // an empty Boolean is true
    EXPECT_EQ(ParIncrustRec->Value.DecalageHoraire, 0.0); // the first line wins, unparsable
}

TEST_F(PreferenceStore, IniFileHasTheSectionLayoutInUtf16WithCrLf)
{
    auto list = loaded(smIni);
    ASSERT_TRUE(list->WriteAll());
    const QByteArray bytes = fileBytes(IniStorePath());
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QByteArray head = utf16(QStringLiteral("[\\Software\\Kestrine\\Stillex]\r\n"
                                                 "Signature=Stillex 5.0.6 Fr de Kestrine\r\n"
                                                 "DerniereSauvegarde="));
    EXPECT_EQ(bytes.mid(2, head.size()), head);
    for (const QString& line :
        { QStringLiteral("\r\nExeName=") + exe() + QStringLiteral("\r\nmainheight=522\r\n"),
            QStringLiteral("\r\nIncrustRec\\Incrust1=réalisé le %R\r\n"),
            QStringLiteral("\r\nIncrustRec\\Decalage Horaire=0\r\n"),
            QStringLiteral("\r\nIncrustRec\\FontRec\\FontName=Arial\r\n"),
            QStringLiteral("\r\nIncrustRec\\FontRec\\FontBold=0\r\n"),
            QStringLiteral("\r\nIncrustRec\\Xpos=914\r\n") })
        EXPECT_TRUE(bytes.contains(utf16(line))) << line.toStdString();
    const QString text = QString::fromUtf16(
        reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    EXPECT_TRUE(text.contains(QRegularExpression(
        QStringLiteral("\r\nDerniereSauvegarde=\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d\r\n"))));
    EXPECT_EQ(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n")));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 1 + 3 + 46 + 12 + 7); // header, 3, 46 keys, record
}

TEST_F(PreferenceStore, HandWrittenIniFilesReadInUtf8AndWindows1252)
{
    const QString text = QStringLiteral("JpegQuality=77\n[\\Software\\Kestrine\\Stillex]\r\n"
                                        "jpegquality=12\nDefaultRacine=Été\n[Autre]\nDossierSave=/ailleurs\n"
                                        "  [\\Software\\Kestrine\\Stillex]  \nDecodeur MpegVideo=Décodeur\n");
    for (const QByteArray& bytes :
        { text.toUtf8(), QByteArray("\xEF\xBB\xBF") + text.toUtf8(), text.toLatin1() }) {
        putFile(IniStorePath(), bytes);
        auto list = loaded(smIni);
        EXPECT_EQ(ParJpegQuality->Value, 50); // before the header; names keep their case
        EXPECT_EQ(ParDefaultRacine->Value, QStringLiteral("Été"));
        EXPECT_EQ(ParDossierSave->Value, DefaultDossierSave()); // another section
        EXPECT_EQ(ParDecodeurMpegVideo->Value, QStringLiteral("Décodeur"));
    }
}

TEST_F(PreferenceStore, IniLinesAreChangedWhereTheyStand)
{
    TIniLines ini(QStringLiteral("[S]"));
    ini.SetLines({ "a=0", "[S]", "k=first", "", "k=second", "[T]", "x=1" });
    EXPECT_EQ(ini.Value("k"), QStringLiteral("first"));
    ini.SetValue("k", "new");
    ini.SetValue("n", "added");
    ini.SetValue("e", "");
    EXPECT_EQ(
        ini.Lines(), (QStringList { "a=0", "[S]", "k=new", "", "k=second", "n=added", "e=", "[T]", "x=1" }));
    // Emptying a key that is there removes its line; the next one then wins.
    ini.SetValue("k", "");
    EXPECT_EQ(ini.Value("k"), QStringLiteral("second"));

    TIniLines fresh(QStringLiteral("[S]"));
    fresh.SetLines({ "[T]", "x=1" });
    fresh.SetValue("k", "v");
    EXPECT_EQ(fresh.Lines(), (QStringList { "[T]", "x=1", "[S]", "k=v" }));
}

TEST_F(PreferenceStore, TheModeAtStartComesFromWhatIsOnDisk)
{
    EXPECT_EQ(DecideStoreMode(), smNone); // first start

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(PreferenceStorePath, true));
    reg.WriteString(QStringLiteral("ExeName"), exe().toUpper());
    EXPECT_EQ(DecideStoreMode(), smRegistry);

    // A copy started from elsewhere neither uses nor removes that store.
    reg.WriteString(QStringLiteral("ExeName"), QStringLiteral("/media/usb/stillex"));
    auto list = CreatePreferences([] { StoreMode = DecideStoreMode(); });
    EXPECT_EQ(StoreMode, smNone);
    EXPECT_TRUE(TRegistry().KeyExists(PreferenceStorePath));

    putFile(IniStorePath(), QByteArray());
    EXPECT_EQ(DecideStoreMode(), smIni);
}

TEST_F(PreferenceStore, ChoosingAStoreDeletesTheOthersAndKeepsImagesBesideAPortableCopy)
{
    auto list = loaded(smRegistry);
    ASSERT_TRUE(list->WriteAll());
    ParDossierSave->Value = QStringLiteral("/home/moi/Images");
    SetStoreMode(smIni);
    EXPECT_EQ(StoreMode, smIni);
    EXPECT_FALSE(TRegistry().KeyExists(QStringLiteral("\\Software\\Kestrine")));
    EXPECT_EQ(ParDossierSave->Value, QFileInfo(exe()).absolutePath() + QLatin1Char('/'));
    ParDossierSave->Value = (QFileInfo(exe()).absolutePath() + QStringLiteral("/Photos")).toUpper();
    SetStoreMode(smIni);
    EXPECT_TRUE(ParDossierSave->Value.endsWith(QStringLiteral("/PHOTOS"))); // already on the copy's drive

    ASSERT_TRUE(list->WriteAll());
    SetStoreMode(smNone);
    EXPECT_FALSE(QFile::exists(IniStorePath()));

    EXPECT_EQ(StoreModeOfArgument(QStringLiteral("reg")), smRegistry);
    EXPECT_EQ(StoreModeOfArgument(QStringLiteral(" PORT ")), smIni);
    EXPECT_EQ(StoreModeOfArgument(QStringLiteral("a")), smNone);
    EXPECT_EQ(StoreModeOfArgument(QString()), smRegistry);
    EXPECT_EQ(StoreModeOfArgument(QStringLiteral("xyz")), std::nullopt);
    EXPECT_EQ(StoreModeOfArgument(QStringLiteral("registry")), std::nullopt);
}

TEST_F(PreferenceStore, ASaveThatCannotBeWrittenLeavesTheOldFileAndSaysWhy)
{
    auto list = loaded(smIni);
    ASSERT_TRUE(list->WriteAll());
    const QByteArray before = fileBytes(IniStorePath());

    // A disk that fills up half way through the new file.
    struct rlimit old {
    };
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 200;
    setrlimit(RLIMIT_FSIZE, &small);
    ParJpegQuality->Value = 90;
    const bool saved = list->WriteAll();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(list->SaveFailure().startsWith(IniStorePath() + QStringLiteral(": ")));
    EXPECT_EQ(fileBytes(IniStorePath()), before);
    EXPECT_EQ(QDir(QFileInfo(exe()).absolutePath()).entryList(QDir::Files), QStringList { "Stillex.ini" });

    // A folder that is a file: neither store can be written.
    putFile(m_dir.path() + QStringLiteral("/plain"), "x");
    SetExecutablePathForTests(m_dir.path() + QStringLiteral("/plain/stillex"));
    EXPECT_FALSE(list->WriteAll());
    EXPECT_TRUE(list->SaveFailure().contains(QStringLiteral("/plain/Stillex.ini: ")));
    qputenv("STILLEX_REGISTRY_DIR", (m_dir.path() + QStringLiteral("/plain/registry")).toUtf8());
    TRegistry::ResetForTests();
    StoreMode = smRegistry;
    EXPECT_FALSE(list->WriteAll());
    EXPECT_FALSE(list->SaveFailure().isEmpty());
}

TEST_F(PreferenceStore, UnreadableStoresLoadDefaultsAndAreKeptUntilASaveWorks)
{
    const QString hive = m_dir.path() + QStringLiteral("/registry/HKEY_CURRENT_USER.reg");
    QDir().mkpath(QFileInfo(hive).absolutePath());
    const QByteArray garbage("\x01\x02 not a hive \xFF\n[HKEY_CURRENT_USER\\Software\\Kestrine\\Stillex]\n");
    putFile(hive, garbage);
    auto list = loaded(smRegistry);
    EXPECT_EQ(ParJpegQuality->Value, 50);
    EXPECT_EQ(fileBytes(hive), garbage);
    ParJpegQuality->Value = 60;
    ASSERT_TRUE(list->WriteAll());
    EXPECT_EQ(fileBytes(hive + QStringLiteral(".bad")), garbage);
    TRegistry::ResetForTests();
    list = loaded(smRegistry);
    EXPECT_EQ(ParJpegQuality->Value, 60);

    // An ini file cut in the middle of a UTF-16 character: what is whole is read.
    auto ini = loaded(smIni);
    ParJpegQuality->Value = 70;
    ParMainWidth->Value = 900;
    ASSERT_TRUE(ini->WriteAll());
    QByteArray cut = fileBytes(IniStorePath());
    cut.truncate(cut.indexOf(utf16(QStringLiteral("iVolume"))) + 3);
    putFile(IniStorePath(), cut);
    ini = loaded(smIni);
    EXPECT_EQ(ParMainWidth->Value, 900);
    EXPECT_EQ(ParJpegQuality->Value, 50);
    EXPECT_EQ(fileBytes(IniStorePath()), cut);
}
