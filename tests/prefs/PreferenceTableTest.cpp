#include "PrefsTestSupport.h"
#include "prefs/Preferences.h"
#include "prefs/TReadPreferences.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <gtest/gtest.h>
#include <typeinfo>

namespace
{

enum Kind { Integer, Boolean, Text, Record, Panel, Sort };

struct Row {
    const char* key;
    Kind kind;
    QVariant def; // invalid where the default is computed
};

// The whole table, in the order the list must hold it.
const std::vector<Row>& table()
{
    static const std::vector<Row> rows = {
        { "mainheight", Integer, 522 },
        { "mainwidth", Integer, 708 },
        { "Top", Integer, {} },
        { "Left", Integer, {} },
        { "iVolume", Integer, 5000 },
        { "Forcer Aspect Ratio", Integer, 0 },
        { "iNomFichierImage", Integer, 1 },
        { "iImageAjouter", Integer, 1 },
        { "iFirstImageNum", Integer, 1 },
        { "Avertir si Filtres Absents", Boolean, true },
        { "Sauver quand clic", Boolean, true },
        { "Forcer le décodeur", Boolean, true },
        { "Traiter Erreurs", Boolean, true },
        { "iRacineLength", Integer, 8 },
        { "iImageRatio", Integer, 0 },
        { "iImageExtension", Integer, 1 },
        { "Vitesse Maxi", Boolean, false },
        { "IncrustRec", Record, {} },
        { "Durée Incruster", Integer, 5 },
        { "Extension des images", Integer, 0 },
        { "digits", Integer, 4 },
        { "JpegQuality", Integer, 50 },
        { "Valeur Intervallomètre", Integer, 1 },
        { "Unités Intervallomètre", Integer, 1 },
        { "Max Width", Integer, 736 },
        { "Max Height", Integer, 576 },
        { "Panneau Actif", Panel, 0 },
        { "Decodeur MpegVideo", Text, QStringLiteral("ffdshow Video Decoder") },
        { "Decodeur MpegAudio", Text, QStringLiteral("ffdshow Audio Decoder") },
        { "Internal Deinterlacer", Boolean, true },
        { "EcranGauche", Boolean, true },
        { "Want Incrust", Boolean, false },
        { "Want vert Flip", Boolean, false },
        { "Want Horz flip", Boolean, false },
        { "Want Deinter", Boolean, false },
        { "Raccourcis Sort", Sort, 0 },
        { "Limiter Longueur", Boolean, false },
        { "DefaultRacine", Text, QStringLiteral("Stillex") },
        { "DossierSave", Text, {} },
        { "Fullscreen On", Boolean, false },
        { "Reduced on", Boolean, false },
        { "Mute On", Boolean, false },
        { "Sauver préférences en quittant", Boolean, true },
        { "Confirmer Image", Boolean, true },
        { "MTS en vitesse Maxi", Boolean, true },
        { "Mode Precision", Boolean, true },
        { "Parametrer Filtres", Boolean, true },
    };
    return rows;
}

// Puts every value away from its default, so that a load that forgets one
// shows.
void scramble(TparameterList& list)
{
    for (int i = 0; i < list.Count(); ++i) {
        TParameter* p = list.Item(i);
        if (auto* x = dynamic_cast<TIntegerParameter*>(p))
            x->Value = x->Default + 17;
        else if (auto* b = dynamic_cast<TBooleanParameter*>(p))
            b->Value = !b->Default;
        else if (auto* s = dynamic_cast<TWideStringParameter*>(p))
            s->Value = s->Default + QStringLiteral("x");
        else if (auto* n = dynamic_cast<TByteParameter*>(p))
            n->Value = uint8_t(n->Default + 3);
        else if (auto* r = dynamic_cast<TincrustRecParameter*>(p))
            r->Value.Xpos = 1;
    }
}

} // namespace

TEST(PreferenceTable, EveryKeyInTableOrderWithItsClassAndDefault)
{
    const TStoreMode savedMode = StoreMode;
    StoreMode = smNone;
    TparameterList list(PreferenceSignature);
    ASSERT_TRUE(DeclareAllParameters(list));
    ASSERT_EQ(list.Count(), 47);
    EXPECT_EQ(list.StorePath(), QStringLiteral("\\Software\\Kestrine\\Stillex"));
    EXPECT_EQ(list.Signature(), QStringLiteral("Stillex 5.0.6 Fr de Kestrine"));
    EXPECT_TRUE(PreferencesDeclared());

    scramble(list);
    list.ReadAll();

    for (int i = 0; i < 47; ++i) {
        const Row& row = table()[size_t(i)];
        TParameter* p = list.Item(i);
        ASSERT_NE(p, nullptr);
        SCOPED_TRACE(row.key);
        EXPECT_EQ(p->Key(), QString::fromUtf8(row.key));
        EXPECT_EQ(list.Find(QString::fromUtf8(row.key)), p);
        switch (row.kind) {
        case Integer: {
            auto* x = dynamic_cast<TIntegerParameter*>(p);
            ASSERT_NE(x, nullptr);
            if (row.def.isValid()) {
                EXPECT_EQ(x->Default, row.def.toInt());
            }
            EXPECT_EQ(x->Value, x->Default);
            break;
        }
        case Boolean: {
            auto* b = dynamic_cast<TBooleanParameter*>(p);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->Default, row.def.toBool());
            EXPECT_EQ(b->Value, b->Default);
            break;
        }
        case Text: {
            auto* s = dynamic_cast<TWideStringParameter*>(p);
            ASSERT_NE(s, nullptr);
            if (row.def.isValid()) {
                EXPECT_EQ(s->Default, row.def.toString());
            }
            EXPECT_FALSE(s->Default.isEmpty());
            EXPECT_EQ(s->Value, s->Default);
            break;
        }
        case Record: {
            auto* r = dynamic_cast<TincrustRecParameter*>(p);
            ASSERT_NE(r, nullptr);
            EXPECT_TRUE(r->Default == DefaultIncrustRec());
            EXPECT_TRUE(r->Value == r->Default);
            break;
        }
        case Panel:
        case Sort: {
            auto* n = dynamic_cast<TByteParameter*>(p);
            ASSERT_NE(n, nullptr);
            if (row.kind == Panel) {
                EXPECT_NE(dynamic_cast<TframeNumberParameter*>(p), nullptr);
            } else {
                EXPECT_NE(dynamic_cast<TRaccourcisSortParameter*>(p), nullptr);
            }
            EXPECT_EQ(n->Default, row.def.toInt());
            EXPECT_EQ(n->Value, n->Default);
            break;
        }
        }
    }
    EXPECT_EQ(list.Item(47), nullptr);
    EXPECT_EQ(list.Item(-1), nullptr);
    EXPECT_EQ(list.Find(QStringLiteral("DOSSIERSAVE")), nullptr);

    // The module-level references are the list's parameters.
    EXPECT_EQ(ParMainHeight, list.Item(0));
    EXPECT_EQ(ParIncrustRec, list.Item(17));
    EXPECT_EQ(ParPanneauActif, list.Item(26));
    EXPECT_EQ(ParRaccourcisSort, list.Item(35));
    EXPECT_EQ(ParDossierSave, list.Item(38));
    EXPECT_EQ(ParParametrerFiltres, list.Item(46));

    // A second declaration into a filled list would double every key.
    EXPECT_FALSE(DeclareAllParameters(list));
    EXPECT_EQ(list.Count(), 47);
    StoreMode = savedMode;
}

TEST(PreferenceTable, TopAndLeftCentreTheDefaultWindowOnTheScreen)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QSize size = screen->size();
    TparameterList list(PreferenceSignature);
    DeclareAllParameters(list);
    EXPECT_EQ(ParTop->Default, (size.height() - 522) / 2);
    EXPECT_EQ(ParLeft->Default, (size.width() - 708) / 2);
    // Centred: the space left above equals the space left below, to a pixel.
    EXPECT_LE(std::abs(size.height() - (ParTop->Default + 522) - ParTop->Default), 1);
    EXPECT_LE(std::abs(size.width() - (ParLeft->Default + 708) - ParLeft->Default), 1);
}

TEST(PreferenceTable, WriteAllWritesTheHeaderThenEveryKeyInOrder)
{
    std::vector<RecordingWriter::Entry> log;
    int closes = 0;
    TStoreMode seenMode = smNone;
    QString seenPath;
    const TStoreMode savedMode = StoreMode;
    StoreMode = smIni;

    TparameterList list(PreferenceSignature);
    DeclareAllParameters(list);
    list.SetWriterFactory([&](const QString& path, TStoreMode mode) {
        seenPath = path;
        seenMode = mode;
        return std::make_unique<RecordingWriter>(&log, &closes);
    });
    ParDefaultRacine->Value.clear();
    ParDecodeurMpegVideo->Value = QStringLiteral("Autre décodeur");
    ParPanneauActif->Value = 6;
    ParIncrustRec->Value.Incrust1.clear(); // record strings stay empty, no marker
    ParIncrustRec->Value.Xpos = 500;

    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    EXPECT_TRUE(list.WriteAll());
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    StoreMode = savedMode;

    EXPECT_EQ(seenMode, smIni);
    EXPECT_EQ(seenPath, QStringLiteral("\\Software\\Kestrine\\Stillex"));
    EXPECT_EQ(closes, 1);
    ASSERT_EQ(log.size(), 50u);
    EXPECT_EQ(log[0].key, QStringLiteral("Signature"));
    EXPECT_EQ(log[0].value.toString(), QStringLiteral("Stillex 5.0.6 Fr de Kestrine"));
    EXPECT_EQ(log[1].key, QStringLiteral("DerniereSauvegarde"));
    const QString stamp = log[1].value.toString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$"))
                    .match(stamp)
                    .hasMatch())
        << stamp.toStdString();
    const QDateTime written = QDateTime::fromString(stamp, QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    EXPECT_TRUE(written >= before && written <= after) << stamp.toStdString();
    EXPECT_EQ(log[2].key, QStringLiteral("ExeName"));
    EXPECT_EQ(log[2].value.toString(), QCoreApplication::applicationFilePath());
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(log[size_t(i)].kind, QStringLiteral("string"));

    for (size_t i = 0; i < 47; ++i) {
        const Row& row = table()[i];
        const auto& entry = log[i + 3];
        SCOPED_TRACE(row.key);
        EXPECT_EQ(entry.key, QString::fromUtf8(row.key));
        switch (row.kind) {
        case Integer:
        case Panel:
        case Sort:
            EXPECT_EQ(entry.kind, QStringLiteral("integer"));
            break;
        case Boolean:
            EXPECT_EQ(entry.kind, QStringLiteral("bool"));
            break;
        case Text:
            EXPECT_EQ(entry.kind, QStringLiteral("string"));
            break;
        case Record:
            EXPECT_EQ(entry.kind, QStringLiteral("record"));
            break;
        }
    }
    auto written_ = [&](const char* key) {
        for (const auto& e : log)
            if (e.key == QString::fromUtf8(key)) return e;
        return RecordingWriter::Entry {};
    };
    EXPECT_EQ(written_("DefaultRacine").value.toString(), QStringLiteral("#@vide§#"));
    EXPECT_EQ(written_("Decodeur MpegVideo").value.toString(), QStringLiteral("Autre décodeur"));
    EXPECT_EQ(written_("Panneau Actif").value.toInt(), 6);
    EXPECT_EQ(written_("mainheight").value.toInt(), 522);
    EXPECT_EQ(written_("Traiter Erreurs").value.toBool(), true);
    ASSERT_TRUE(written_("IncrustRec").record.has_value());
    EXPECT_TRUE(written_("IncrustRec").record->Incrust1.isEmpty());
    EXPECT_EQ(written_("IncrustRec").record->Xpos, 500);
}

TEST(PreferenceTable, AFailingWriteDoesNotStopTheSaveButIsReported)
{
    std::vector<RecordingWriter::Entry> log;
    int closes = 0;
    TparameterList list(PreferenceSignature);
    DeclareAllParameters(list);
    list.SetWriterFactory([&](const QString&, TStoreMode) {
        auto writer = std::make_unique<RecordingWriter>(&log, &closes);
        writer->failing << QStringLiteral("ExeName") << QStringLiteral("iVolume");
        return writer;
    });
    EXPECT_FALSE(list.WriteAll());
    EXPECT_EQ(log.size(), 48u);
    EXPECT_EQ(log.back().key, QStringLiteral("Parametrer Filtres"));
    EXPECT_EQ(closes, 1);

    // A store that cannot be opened saves nothing and says so.
    list.SetWriterFactory([](const QString&, TStoreMode) -> std::unique_ptr<TPreferenceWriter> {
        throw std::runtime_error("no store");
    });
    EXPECT_FALSE(list.WriteAll());
    list.SetWriterFactory([](const QString&, TStoreMode) { return std::unique_ptr<TPreferenceWriter>(); });
    EXPECT_FALSE(list.WriteAll());

    // Without a store chosen the save writes nothing and succeeds.
    const TStoreMode savedMode = StoreMode;
    StoreMode = smNone;
    list.SetWriterFactory({});
    EXPECT_TRUE(list.WriteAll());
    StoreMode = savedMode;
}

TEST(PreferenceTable, DefaultInlayRecord)
{
    const TincrustRec r = DefaultIncrustRec();
    EXPECT_EQ(r.Incrust1, QStringLiteral("réalisé le %R"));
    EXPECT_EQ(r.Incrust2, QStringLiteral("avec Stillex de Kestrine"));
    EXPECT_EQ(r.FormatDate1, QStringLiteral("dddddd"));
    EXPECT_EQ(r.FormatDate2, QStringLiteral("tt"));
    EXPECT_EQ(r.DecalageHoraire, 0.0);
    EXPECT_EQ(r.FontRec.Name, QStringLiteral("Arial"));
    EXPECT_EQ(r.FontRec.Size, 21);
    EXPECT_EQ(r.FontRec.Color, 15780518u);
    EXPECT_EQ(r.FontRec.Color & 0xFF, 0xA6u); // red in the lowest byte
    EXPECT_EQ((r.FontRec.Color >> 16) & 0xFF, 0xF0u);
    EXPECT_FALSE(r.FontRec.Bold || r.FontRec.Italic || r.FontRec.Underline || r.FontRec.StrikeOut);
    EXPECT_TRUE(r.Autofontsize);
    EXPECT_EQ(r.BorderSize, 2);
    EXPECT_EQ(r.WhatIncrust, 5);
    EXPECT_EQ(r.Alignement, 2);
    EXPECT_EQ(r.BorderColor, 0u);
    EXPECT_EQ(r.Xpos, 914);
    EXPECT_EQ(r.Ypos, 914);
    EXPECT_TRUE(DefaultFontRecord() == r.FontRec);

    TincrustRec changed = r;
    changed.FontRec.StrikeOut = true;
    EXPECT_FALSE(changed == r);
    changed = r;
    changed.Ypos = 913;
    EXPECT_FALSE(changed == r);
}

TEST(PreferenceTable, OptionCheckBoxesNameBooleanPreferences)
{
    TparameterList list(PreferenceSignature);
    DeclareAllParameters(list);
    const auto& boxes = OptionCheckBoxes();
    const char* keys[] = { "Confirmer Image", "Sauver quand clic", "MTS en vitesse Maxi",
        "Parametrer Filtres", "Internal Deinterlacer", "Forcer le décodeur", "Traiter Erreurs" };
    for (size_t i = 0; i < boxes.size(); ++i) {
        SCOPED_TRACE(keys[i]);
        EXPECT_EQ(boxes[i].Key, QString::fromUtf8(keys[i]));
        ASSERT_NE(boxes[i].Parameter, nullptr);
        EXPECT_EQ(*boxes[i].Parameter, list.Find(boxes[i].Key));
    }
    EXPECT_EQ(boxes[1].Caption, QStringLiteral("Enregistrer l'image quand  clic sur la vidéo "));
    EXPECT_EQ(boxes[0].Caption, QStringLiteral("Confirmer avant d'écraser une image"));
    EXPECT_EQ(boxes[5].Caption, QStringLiteral("Forcer le décodeur"));
}
