#include "automation/CommandCatalog.h"

#include "automation/CommandContext.h"
#include "automation/KeyCodes.h"
#include "automation/TActionList.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace KeyCodes;

namespace
{

TtoggleAction* toggle(const TActionList& al, const char* name)
{
    return qobject_cast<TtoggleAction*>(al.Find(QString::fromLatin1(name)));
}

} // namespace

TEST(CommandCatalog, OrderKindsAndInitialState)
{
    TActionList al;
    CreateCommandCatalog(al);
    ASSERT_EQ(al.Count(), 86);
    EXPECT_EQ(al.Action(0)->objectName(), "saGrab");
    EXPECT_EQ(al.Action(1)->objectName(), "tafullscreen");
    EXPECT_EQ(al.Action(29)->objectName(), "taPlayPause");
    EXPECT_EQ(al.Action(57)->objectName(), "saIncrustTimeStamp");
    EXPECT_EQ(al.Action(85)->objectName(), "saPerso1");

    QSet<QString> names;
    int twoState = 0, autoCheck = 0;
    for (const TCustomSuperAction* a : al.Actions()) {
        EXPECT_FALSE(names.contains(a->objectName().toLower())) << a->objectName().toStdString();
        names << a->objectName().toLower();
        const bool isToggle = qobject_cast<const TtoggleAction*>(a) != nullptr;
        EXPECT_EQ(isToggle || qobject_cast<const TSuperAction*>(a), true);
        twoState += isToggle;
        autoCheck += a->AutoCheck();
        EXPECT_FALSE(a->AutoCheck() && !isToggle) << a->objectName().toStdString();
        EXPECT_FALSE(a->Checked());
        EXPECT_TRUE(a->Enabled());
        EXPECT_TRUE(a->Visible());
        EXPECT_EQ(a->GroupIndex(), 0);
        EXPECT_EQ(a->ActionList(), &al);
    }
    EXPECT_EQ(twoState, 24);
    EXPECT_EQ(autoCheck, 18);
    EXPECT_NE(qobject_cast<TSuperAction*>(al.Find("taFontsize")), nullptr);
    EXPECT_NE(qobject_cast<TSuperAction*>(al.Find("acQuitter")), nullptr);
    EXPECT_FALSE(toggle(al, "taPlayPause")->AutoCheck());
    EXPECT_TRUE(toggle(al, "taMute")->AutoCheck());
}

TEST(CommandCatalog, SwitchesTokensAndKeys)
{
    TActionList al;
    CreateCommandCatalog(al);

    // Every name a script or the command line may use names one command only,
    // whether it is a switch or a token.
    QSet<QString> used;
    for (const TCustomSuperAction* a : al.Actions()) {
        for (const QString& n : { a->Switch(), a->Token() }) {
            if (n.isEmpty()) continue;
            EXPECT_EQ(n, n.toLower());
            EXPECT_FALSE(used.contains(n)) << n.toStdString();
            used << n;
        }
        if (a->objectName() != "taUnderlined") {
            EXPECT_FALSE(a->Switch().isEmpty()) << a->objectName().toStdString();
            EXPECT_FALSE(a->Token().isEmpty()) << a->objectName().toStdString();
        }
    }
    EXPECT_TRUE(al.Find("taUnderlined")->Switch().isEmpty());
    EXPECT_TRUE(al.Find("taUnderlined")->Token().isEmpty());
    EXPECT_EQ(al.FindBySwitchOrToken("GRAB"), al.Find("saGrab"));
    EXPECT_EQ(al.FindBySwitchOrToken("g"), al.Find("saGrab"));
    EXPECT_EQ(al.FindBySwitchOrToken(">"), al.Find("saPosition"));
    EXPECT_EQ(al.FindBySwitchOrToken("+"), al.Find("saBouclerScript"));
    EXPECT_EQ(al.FindBySwitchOrToken("quit"), al.Find("acQuitter"));

    EXPECT_EQ(al.Find("saIncVolume")->ShortCut(), 0);
    ApplyStartupVolumeKeys(al);
    EXPECT_EQ(al.Find("saIncVolume")->ShortCut(), VkAdd);
    EXPECT_EQ(al.Find("saIncVolume")->SecondaryShortcuts(), QStringList { "Alt+P" });
    EXPECT_EQ(al.Find("saDecVolume")->ShortCut(), VkSubtract);
    EXPECT_EQ(al.Find("saDecVolume")->SecondaryShortcuts(), QStringList { "ALT+M" });

    // Every key reads back from Qt, and no key belongs to two commands.
    QSet<uint16_t> keys;
    for (const TCustomSuperAction* a : al.Actions()) {
        QList<uint16_t> own = a->SecondaryShortCutCodes();
        if (a->ShortCut()) own.prepend(a->ShortCut());
        for (uint16_t code : own) {
            EXPECT_NE(code, 0) << a->objectName().toStdString();
            EXPECT_EQ(FromQt(ToQt(code)), code) << a->objectName().toStdString();
            EXPECT_FALSE(keys.contains(code)) << a->objectName().toStdString();
            keys << code;
        }
    }
    EXPECT_EQ(al.Find("saGrab")->ShortCut(), F(5));
    EXPECT_EQ(al.Find("saGrab")->SecondaryShortCutCodes(), QList<uint16_t> { 0x4000 | 'G' });
    EXPECT_EQ(al.Find("saReculeTrack")->SecondaryShortCutCodes(), QList<uint16_t> { 0x4000 | 0x77 });
    EXPECT_EQ(al.Find("tafullscreen")->ShortCut(), Alt | VkReturn);
    EXPECT_EQ(al.Find("saIncrustTimeStamp")->ShortCut(), Ctrl | Shift | Key('T'));
    EXPECT_EQ(al.FindByKey(Ctrl | Key('Q')), al.Find("acQuitter"));
}

TEST(CommandCatalog, TextsStatesAndIcons)
{
    TActionList al;
    CreateCommandCatalog(al);

    EXPECT_EQ(al.Find("saGrab")->Hint(),
        QString::fromUtf8("Extraire et enregistrer l' image courante \r\ndans le dossier spécifié sur la "
                          "page \"Dossiers\" ."));

    // Two-state commands show their stored texts until their first SetChecked.
    TtoggleAction* fs = toggle(al, "tafullscreen");
    EXPECT_EQ(fs->Caption(), QString::fromUtf8("Mettre en plein écran"));
    EXPECT_TRUE(fs->Hint().endsWith(QString::fromUtf8("(NB: taper Echap pour revenir au mode normal).")));
    fs->SetChecked(true);
    EXPECT_EQ(fs->Caption(), QString::fromUtf8("Enlever le plein écran"));

    TtoggleAction* bold = toggle(al, "taBold");
    bold->SetChecked(true);
    EXPECT_EQ(bold->Caption(), "");
    EXPECT_EQ(bold->Hint(), "Enlever le Gras");
    TtoggleAction* confirm = toggle(al, "taConfirmerImages");
    EXPECT_FALSE(confirm->Hint().isEmpty());
    confirm->SetChecked(false);
    EXPECT_EQ(confirm->Hint(), "");
    EXPECT_EQ(toggle(al, "taTraiterErreurs")->Hint(), "");
    EXPECT_EQ(toggle(al, "taPlayPause")->FalseHint.count(QLatin1String("\r\n")), 2);

    // One icon per command; the two states differ for the inlay and mute
    // commands only.
    QSet<int> icons;
    for (const TCustomSuperAction* a : al.Actions()) {
        EXPECT_GE(a->imageindex(), 0);
        EXPECT_FALSE(icons.contains(a->imageindex())) << a->objectName().toStdString();
        icons << a->imageindex();
    }
    for (const TCustomSuperAction* a : al.Actions()) {
        const auto* t = qobject_cast<const TtoggleAction*>(a);
        if (!t) continue;
        EXPECT_EQ(t->FalseImageIndex, t->imageindex());
        const bool differs = t->objectName() == "taIncruster" || t->objectName() == "taMute";
        EXPECT_EQ(t->TrueImageIndex != t->FalseImageIndex, differs) << t->objectName().toStdString();
        if (differs) {
            EXPECT_FALSE(icons.contains(t->TrueImageIndex));
        }
    }

    // The two script-only commands cancel themselves on the interactive path.
    int ran = 0;
    al.Find("saPosition")->Onexecute = [&](QObject*) { ++ran; };
    CommandProceed = true;
    al.Find("saPosition")->Onprepare(al.Find("saPosition"));
    EXPECT_FALSE(CommandProceed);
    EXPECT_TRUE(al.Find("saPosition")->Execute());
    EXPECT_EQ(ran, 0);
    EXPECT_FALSE(al.Find("saGrab")->Onprepare);
}

TEST(CommandCatalog, CommandLineHelp)
{
    TActionList al;
    CreateCommandCatalog(al);
    const QStringList lines = CommandLineHelpText(al).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 85); // all but taUnderlined
    EXPECT_EQ(lines[0].simplified(), "-g grab Grab!");
    EXPECT_EQ(lines[1].simplified(), QString::fromUtf8("-fs full_screen Mettre en plein écran"));
    EXPECT_EQ(lines.last().simplified(), "-p1 perso1 Format Perso1");
    EXPECT_FALSE(CommandLineHelpText(al).contains(QString::fromUtf8("Souligné")));

    TActionList custom;
    auto* a = custom.Add(new TSuperAction);
    a->SetCaption("&Copier && coller");
    a->SetToken("copy");
    custom.Add(new TSuperAction)->SetCaption("Hors catalogue");
    EXPECT_EQ(CommandLineHelpText(custom).simplified(), "copy Copier & coller");
}
