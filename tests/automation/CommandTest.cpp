#include "AutomationTestSupport.h"
#include "automation/CommandContext.h"
#include "automation/KeyCodes.h"
#include "automation/TActionList.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"

#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace
{

TtoggleAction* makeToggle(TActionList& list, bool autoCheck)
{
    auto* t = list.Add(new TtoggleAction);
    t->SetCaption("Stored");
    t->SetHint("Stored hint");
    t->FalseCaption = "Switch on";
    t->TrueCaption = "Switch off";
    t->FalseHint = "On hint";
    t->TrueHint = "Off hint";
    t->FalseImageIndex = 1;
    t->TrueImageIndex = 2;
    t->SetAutoCheck(autoCheck);
    return t;
}

} // namespace

TEST(SuperAction, InteractiveExecutionSteps)
{
    TActionList list;
    auto* a = list.Add(new TSuperAction);
    int ran = 0;
    QObject* sender = nullptr;
    QStringList seen;
    a->Onexecute = [&](QObject* s) {
        ++ran;
        sender = s;
        seen = CommandArguments;
    };

    // The argument left by an earlier command never reaches this one; what
    // the preparation puts in does.
    CommandArguments = QStringList { "stale" };
    CommandProceed = false;
    a->Onprepare = [](QObject*) {
        if (CommandProceed) CommandArguments << "75";
    };
    EXPECT_TRUE(a->Execute());
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(sender, a);
    EXPECT_EQ(seen, QStringList { "75" });

    // A preparation that cancels ends the command, which counts as handled.
    a->Onprepare = [](QObject*) { CommandProceed = false; };
    EXPECT_TRUE(a->Execute());
    EXPECT_EQ(ran, 1);

    // Disabled: nothing at all, not even the context is touched.
    a->Onprepare = nullptr;
    a->SetEnabled(false);
    CommandArguments = QStringList { "kept" };
    EXPECT_FALSE(a->Execute());
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(CommandArguments, QStringList { "kept" });
    a->trigger();
    EXPECT_EQ(ran, 1);

    // A preparation may disable the command on the way.
    a->SetEnabled(true);
    a->Onprepare = [a](QObject*) { a->SetEnabled(false); };
    EXPECT_FALSE(a->Execute());
    EXPECT_EQ(ran, 1);
    a->Onprepare = nullptr;
    a->SetEnabled(true);

    // A suspended list runs nothing.
    list.SetSuspended(true);
    EXPECT_FALSE(a->Execute());
    EXPECT_EQ(ran, 1);
    list.SetSuspended(false);

    // Hidden is not disabled: a hidden command still runs from its key.
    a->SetVisible(false);
    EXPECT_TRUE(a->Execute());
    EXPECT_EQ(ran, 2);

    a->Onexecute = nullptr;
    EXPECT_FALSE(a->Execute());
}

TEST(SuperAction, PropertiesAndWhatQtShows)
{
    TActionList list;
    auto* a = list.Add(new TSuperAction);
    a->SetSwitch("GRAB");
    EXPECT_EQ(a->Switch(), "grab");
    EXPECT_EQ(list.FindBySwitch("grab"), a);

    // Captions are shown as they stand; the key is only displayed.
    a->SetCaption("Copier & coller");
    a->SetShortCut(KeyCodes::Ctrl | KeyCodes::Key('V'));
    EXPECT_EQ(a->Caption(), "Copier & coller");
    EXPECT_EQ(a->text(), "Copier && coller\tCtrl+V");
    EXPECT_EQ(a->iconText(), "Copier && coller");
    EXPECT_TRUE(a->shortcut().isEmpty());
    a->SetShortCut(0);
    EXPECT_EQ(a->text(), "Copier && coller");

    a->SetHint("Ligne un\r\nligne deux");
    EXPECT_EQ(a->Hint(), "Ligne un\r\nligne deux");
    EXPECT_EQ(a->toolTip(), "Ligne un\nligne deux");

    // Unparsable secondary texts are kept but match nothing.
    a->SetSecondaryShortcuts({ "CTRL+G", "nonsense" });
    EXPECT_EQ(a->SecondaryShortcuts(), (QStringList { "CTRL+G", "nonsense" }));
    EXPECT_TRUE(a->HasKey(KeyCodes::FromText("Ctrl+G")));
    EXPECT_FALSE(a->HasKey(0));

    // The icon setter does nothing when the index does not change.
    QPixmap blue(4, 4);
    blue.fill(Qt::blue);
    list.SetImages({ QIcon(), QIcon(blue) });
    QList<int> fired;
    const TImageList* seenImages = nullptr;
    a->OnImageChanged = [&](const TImageList* images, int index) {
        fired << index;
        seenImages = images;
    };
    a->Setimageindex(1);
    a->Setimageindex(1);
    a->Setimageindex(0);
    a->Setimageindex(7);
    EXPECT_EQ(fired, (QList<int> { 1, 0, 7 }));
    EXPECT_EQ(seenImages, &list.Images());
    EXPECT_TRUE(a->icon().isNull()); // 7 is past the list
    a->Setimageindex(1);
    EXPECT_FALSE(a->icon().isNull());
}

TEST(ToggleAction, StatesHandlersAndAutoCheck)
{
    TActionList list;
    auto* t = makeToggle(list, true);
    QList<QString> runs;
    t->OnfalseExecute = [&](QObject*) {
        runs << QString("false checked=%1 caption=%2").arg(t->Checked()).arg(t->Caption());
    };
    t->OnTrueExecute = [&](QObject*) {
        runs << QString("true checked=%1 caption=%2").arg(t->Checked()).arg(t->Caption());
    };

    // Before any SetChecked the command shows its stored texts and has no
    // handler (a script line with neither prefix nor value runs nothing).
    EXPECT_EQ(t->Caption(), "Stored");
    EXPECT_EQ(t->Hint(), "Stored hint");
    EXPECT_FALSE(t->RunHandler(nullptr));
    EXPECT_TRUE(runs.isEmpty());

    // Unchecked AutoCheck command: the off->on handler runs with the state
    // already inverted, and the inversion does not switch the caption.
    EXPECT_TRUE(t->Execute());
    ASSERT_EQ(runs.size(), 1);
    EXPECT_EQ(runs[0], "false checked=1 caption=Switch on");
    EXPECT_EQ(t->Hint(), "On hint");

    // The next execution installs the checked state first.
    t->Execute();
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(runs[1], "true checked=0 caption=Switch off");
    EXPECT_EQ(t->imageindex(), 2);

    // SetChecked switches everything, empty texts included.
    t->TrueCaption.clear();
    t->TrueHint.clear();
    t->SetChecked(true);
    EXPECT_TRUE(t->Caption().isEmpty());
    EXPECT_TRUE(t->Hint().isEmpty());

    // A state without a handler runs nothing and is not handled.
    t->OnfalseExecute = nullptr;
    t->SetChecked(false);
    EXPECT_FALSE(t->RunHandler(nullptr));

    // A disabled two-state command changes nothing.
    t->SetChecked(false);
    t->SetEnabled(false);
    EXPECT_FALSE(t->Execute());
    EXPECT_FALSE(t->Checked());
    EXPECT_EQ(t->Caption(), "Switch on");
    EXPECT_EQ(runs.size(), 2);
}

TEST(ToggleAction, HandlersFollowTheConventionWithoutAutoCheck)
{
    TActionList list;
    auto* t = makeToggle(list, false);
    int on = 0, off = 0;
    // Each handler brings the command to its new state itself, which swaps
    // the running handler while it runs.
    t->OnfalseExecute = [&](QObject*) {
        ++on;
        t->SetChecked(true);
    };
    t->SetChecked(false);
    // Bound after the state was set: still the one that runs.
    t->OnTrueExecute = [&](QObject*) {
        ++off;
        t->SetChecked(false);
    };
    t->Execute();
    EXPECT_EQ(t->Caption(), "Switch off");
    t->Execute();
    EXPECT_EQ(on + off, 2);
    EXPECT_FALSE(t->Checked());

    // A runner sets the state and calls the handler itself, with itself as
    // sender; the preparation is not part of that path.
    QObject runner;
    QObject* sender = nullptr;
    int prepared = 0;
    t->Onprepare = [&](QObject*) { ++prepared; };
    t->OnTrueExecute = [&](QObject* s) { sender = s; };
    t->SetChecked(true);
    EXPECT_TRUE(t->RunHandler(&runner));
    EXPECT_EQ(sender, &runner);
    EXPECT_EQ(prepared, 0);
}

TEST(ToggleAction, ClicksRunTheCommandExactlyOnce)
{
    TActionList list;
    auto* t = makeToggle(list, true);
    int on = 0, off = 0;
    t->OnfalseExecute = [&](QObject*) { ++on; };
    t->OnTrueExecute = [&](QObject*) { ++off; };

    // What a menu item does.
    QMenu menu;
    menu.addAction(t);
    t->activate(QAction::Trigger);
    EXPECT_EQ(on, 1);
    EXPECT_TRUE(t->Checked());
    EXPECT_TRUE(t->isChecked());

    // What a tool button does.
    QToolButton button;
    button.setDefaultAction(t);
    button.show();
    EXPECT_TRUE(button.isChecked());
    button.click();
    EXPECT_EQ(off, 1);
    EXPECT_EQ(on, 1);
    EXPECT_FALSE(t->Checked());
    EXPECT_FALSE(button.isChecked());
    button.click();
    EXPECT_EQ(on, 2);

    // A disabled command ignores clicks.
    t->SetEnabled(false);
    button.click();
    t->trigger();
    EXPECT_EQ(on + off, 3);
    EXPECT_TRUE(t->Checked());

    // A plain command shows its stored state but a click does not change it.
    auto* plain = list.Add(new TSuperAction);
    int ran = 0;
    plain->Onexecute = [&](QObject*) { ++ran; };
    EXPECT_FALSE(plain->isCheckable());
    plain->SetChecked(true);
    EXPECT_TRUE(plain->isChecked());
    plain->trigger();
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(plain->isChecked());
    plain->SetChecked(false);
    EXPECT_FALSE(plain->isCheckable());
}

TEST(ActionList, OwnershipAndLookup)
{
    QPointer<TSuperAction> survivor;
    {
        TActionList list;
        auto* first = list.Add(new TSuperAction);
        first->setObjectName("saFirst");
        first->SetToken("next");
        auto* second = list.Add(new TSuperAction);
        second->setObjectName("saSecond");
        second->SetSwitch("next");
        auto* bare = list.Add(new TtoggleAction);
        bare->setObjectName("taBare");

        EXPECT_EQ(list.Find("SAFIRST"), first);
        EXPECT_EQ(list.Find(""), nullptr);
        // One scan: the first command naming it either way.
        EXPECT_EQ(list.FindBySwitchOrToken("NEXT"), first);
        EXPECT_EQ(list.FindBySwitch("next"), second);
        // A command without switch or token is not found by an empty name.
        EXPECT_EQ(list.FindBySwitch(""), nullptr);
        EXPECT_EQ(list.FindByToken(""), nullptr);
        EXPECT_EQ(list.FindBySwitchOrToken(""), nullptr);

        // A command deleted elsewhere leaves the list.
        delete second;
        EXPECT_EQ(list.Count(), 2);
        EXPECT_EQ(list.Action(1), bare);
        EXPECT_EQ(list.FindBySwitch("next"), nullptr);

        // A command moved to another list leaves this one.
        TActionList other;
        other.Add(bare);
        EXPECT_EQ(list.Count(), 1);
        EXPECT_EQ(bare->ActionList(), &other);

        survivor = list.Add(new TSuperAction);
    }
    EXPECT_TRUE(survivor.isNull());
}
