#include "app/TShowForm.h"
#include "app/TStillexApplication.h"
#include "app/Tplaque.h"
#include "automation/TActionList.h"
#include "automation/TCustomSuperAction.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"
#include "platform/Registry.h"
#include "platform/WindowMessages.h"
#include "prefs/Preferences.h"
#include "prefs/TSavePrefsForm.h"
#include "support/TSidePanel.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace
{
// Each test gets an empty registry of its own and no stored preferences.
class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("STILLEX_REGISTRY_DIR", m_dir.path().toUtf8());
        TRegistry::ResetForTests();
        StoreMode = smNone;
    }
    void TearDown() override
    {
        qunsetenv("STILLEX_REGISTRY_DIR");
        TRegistry::ResetForTests();
    }

    // Answers the store question that closing asks in smNone.
    static void answerStoreDialog(int choice)
    {
        QTimer::singleShot(50, [choice] {
            auto* dialog = qobject_cast<TSavePrefsForm*>(QApplication::activeModalWidget());
            if (!dialog) return;
            if (choice < 0)
                dialog->reject();
            else
                dialog->Choose(choice);
        });
    }

    QTemporaryDir m_dir;
};

QStringList actionNames(const QList<QAction*>& actions)
{
    QStringList names;
    for (QAction* a : actions)
        if (!a->objectName().isEmpty()) names << a->objectName();
    return names;
}
} // namespace

TEST_F(MainWindow, ModulesAreCreatedInStartOrder)
{
    TStillexApplication program;
    program.CreateModules();
    EXPECT_EQ(program.CreationOrder(),
        QStringList({ "ShowForm", "SavePrefsForm", "plaque", "RaccourcisForm", "dmTest", "ErreurForm",
            "dmFileMpeg1", "dmFileWmv", "dmFileMPEG2TS", "dmFile", "dmFileMpeg2Splitter", "dmFileUnknown",
            "dmFileMpeg2PS", "FiltresWarningForm" }));
    EXPECT_EQ(program.MainForm()->windowTitle(), "Stillex 5.0.6Fr de Kestrine");
    EXPECT_EQ(program.MainForm()->Plaque(), program.Plaque());
}

// Handlers are bound by name: a name the catalog does not have, or a
// command of the other kind, must not leave a key silently doing nothing.
TEST_F(MainWindow, BindingAHandlerToAnUnknownCommandStopsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TShowForm form;
    EXPECT_EQ(form.PlainCommand("saGrab"), form.Action("saGrab"));
    EXPECT_EQ(form.ToggleCommand("taMute"), form.Action("taMute"));
    EXPECT_DEATH(form.PlainCommand("saGrabb"), "saGrabb");
    EXPECT_DEATH(form.ToggleCommand("saGrab"), "saGrab");
}

TEST_F(MainWindow, ShowingRunsOnceAndLaysOutOnlyAfterwards)
{
    TShowForm form;
    form.resize(900, 700); // before showing: no layout yet
    EXPECT_EQ(form.LayoutCount(), 0);
    EXPECT_FALSE(form.ResizeHandlerInstalled());

    QSignalSpy shown(&form, &TShowForm::shownOnce);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(shown.count(), 1);
    EXPECT_TRUE(PreferencesDeclared());
    EXPECT_TRUE(form.ResizeHandlerInstalled());
    const int layouts = form.LayoutCount();
    EXPECT_GE(layouts, 1);

    form.hide();
    form.show();
    EXPECT_EQ(shown.count(), 1); // the showing steps run once

    form.resize(1000, 720);
    QApplication::processEvents();
    EXPECT_GT(form.LayoutCount(), layouts);
    // The side panels sit in the column at the right of the video.
    EXPECT_EQ(form.PanelColumnX, form.width() - 276);
    EXPECT_EQ(form.Panel1->geometry(), QRect(8, 86, form.width() - 292, form.height() - 192));

    // Start-up changed the volume keys: keypad + now raises the volume.
    EXPECT_EQ(form.Action("saIncVolume")->ShortCut(), 0x6B);
    EXPECT_EQ(form.Action("saDecVolume")->ShortCut(), 0x6D);

    StoreMode = smRegistry; // no store question when the test ends
}

TEST_F(MainWindow, ToolbarAndContextMenuFollowTheCatalog)
{
    TShowForm form;
    EXPECT_EQ(actionNames(form.tbUnique->actions()),
        QStringList({ "saOpenFile", "saPaste", "saScript", "saVider", "saGrab", "saCopier",
            "taIntervalloShow", "tafullscreen", "taMute", "taIncruster", "taVertFlip", "taHorzFlip",
            "saExtraireFrame", "saSourcesFrame", "saDossiersFrame", "saIncrusterFrame", "saOptionsFrame",
            "saHelp", "saApropos", "taraccourcis", "acQuitter" }));
    for (QAction* a : form.tbUnique->actions()) {
        if (!a->objectName().isEmpty()) {
            EXPECT_FALSE(a->icon().isNull()) << a->objectName().toStdString();
        }
    }

    const QList<QAction*> items = form.PopupMenu->actions();
    QStringList shape;
    for (QAction* a : items)
        shape << (a->isSeparator() ? QStringLiteral("-")
                : a->menu()        ? QStringLiteral("menu")
                                   : a->objectName());
    EXPECT_EQ(shape,
        QStringList({ "saGrab", "-", "tafullscreen", "taReduire", "-", "saForcerNone", "saForcerNative",
            "saForcer4x3", "saForcer16x9", "-", "taMute", "taIncruster", "taVertFlip", "taHorzFlip", "-",
            "taSliders", "-", "menu", "-", "acQuitter" }));
    QMenu* panels = nullptr;
    for (QAction* a : items)
        if (a->menu()) panels = a->menu();
    ASSERT_TRUE(panels);
    EXPECT_EQ(panels->title(), "Panneaux d'options");
    EXPECT_EQ(actionNames(panels->actions()),
        QStringList({ "saSourcesFrame", "saDossiersFrame", "saExtraireFrame", "saIncrusterFrame",
            "saOptionsFrame", "saHelp", "saApropos" }));
}

TEST_F(MainWindow, PanelsSwitchAndOutOfRangeIndexesBehave)
{
    TShowForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    StoreMode = smRegistry;

    form.Action("saExtraireFrame")->Execute();
    EXPECT_EQ(form.ActivePanel(), 2);
    EXPECT_TRUE(form.Panel(2)->isVisible());
    EXPECT_FALSE(form.Panel(0)->isVisible());
    EXPECT_TRUE(form.Action("saExtraireFrame")->Checked());
    EXPECT_EQ(ParPanneauActif->Value, 2);

    form.Action("saNextPanneau")->Execute();
    EXPECT_EQ(form.ActivePanel(), 3);
    form.ShowPanel(6);
    form.Action("saNextPanneau")->Execute();
    EXPECT_EQ(form.ActivePanel(), 0); // wraps after the last

    form.ShowPanel(9); // above 8: nothing changes
    EXPECT_EQ(form.ActivePanel(), 0);
    EXPECT_TRUE(form.Panel(0)->isVisible());

    form.ShowPanel(7); // 7 and 8 hide the panel and show none
    EXPECT_EQ(form.ActivePanel(), 7);
    for (int i = 0; i < TShowForm::PanelCount; ++i)
        EXPECT_FALSE(form.Panel(i)->isVisible()) << i;
    EXPECT_FALSE(form.Action("saSourcesFrame")->Checked());
}

TEST_F(MainWindow, MessagesFromStreamingThreads)
{
    TShowForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    StoreMode = smRegistry;

    // A capture message sent by a streaming thread is handled on the UI
    // thread while the sender waits, exactly once.
    std::atomic<bool> returned { false };
    std::thread streaming([&] {
        SendMessage(&form, WM_USER + 1, 40000000, 0);
        returned = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(returned.load(), 5000);
    streaming.join();
    EXPECT_FALSE(form.Busy); // cleared after the capture

    // Values of the user range that are not the window's are ignored.
    EXPECT_EQ(SendMessage(&form, WM_USER + 2, 1, 2), 0);
    EXPECT_EQ(SendMessage(&form, WM_USER + 9, 1, 2), 0);

    // Escape aborts: captures are then ignored and Busy is never set.
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.AbortRequested);
    std::atomic<bool> lateReturned { false };
    std::thread late([&] {
        SendMessage(&form, WM_USER + 1, 0, 0);
        lateReturned = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(lateReturned.load(), 5000);
    late.join();
    EXPECT_FALSE(form.Busy);
}

TEST_F(MainWindow, ClosingAsksForAStoreAndCanBeRefused)
{
    TShowForm form;
    TSavePrefsForm dialog(&form);
    form.SetSavePrefsForm(&dialog);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_EQ(StoreMode, smNone);

    // The store question closed without a choice keeps the window open.
    answerStoreDialog(-1);
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.ResizeHandlerInstalled());
    EXPECT_TRUE(form.AbortRequested); // closing aborts running work first

    // "Aucun" closes without writing anything.
    answerStoreDialog(smNone);
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(StoreMode, smNone);
    TRegistry reg(RegHive::CurrentUser);
    EXPECT_FALSE(reg.KeyExists("\\Software\\Kestrine\\Stillex"));
}

TEST_F(MainWindow, ClosingCopiesTheWindowStateIntoThePreferences)
{
    TShowForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    StoreMode = smRegistry;
    form.resize(800, 600);
    form.Action("taImagesDeinterlacer")->SetChecked(true);
    EXPECT_TRUE(form.close());
    EXPECT_EQ(ParMainWidth->Value, 800);
    EXPECT_EQ(ParMainHeight->Value, 600);
    EXPECT_TRUE(ParWantDeinter->Value);
    EXPECT_FALSE(ParWantIncrust->Value);
}

TEST_F(MainWindow, BackdropHandsKeysToTheMainWindow)
{
    TShowForm form;
    Tplaque plaque(&form);
    form.SetPlaque(&plaque);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    StoreMode = smRegistry;
    plaque.show();
    QTest::keyClick(&plaque, Qt::Key_Escape);
    EXPECT_TRUE(form.AbortRequested);
    plaque.close(); // closing only hides it
    EXPECT_FALSE(plaque.isVisible());
}
