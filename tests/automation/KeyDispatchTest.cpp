#include "AutomationTestSupport.h"
#include "automation/CommandCatalog.h"
#include "automation/KeyCodes.h"
#include "automation/TActionList.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>
#include <map>

namespace
{

// A main window with a text field, the whole catalog, and a counter bound to
// every command.
struct MainWindow {
    QWidget window;
    QLineEdit* field = new QLineEdit;
    TActionList al;
    std::map<QString, int> runs;

    MainWindow()
    {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(field);
        CreateCommandCatalog(al);
        ApplyStartupVolumeKeys(al);
        for (TCustomSuperAction* a : al.Actions()) {
            const QString name = a->objectName();
            auto count = [this, name](QObject*) { ++runs[name]; };
            a->Onexecute = count;
            if (auto* t = qobject_cast<TtoggleAction*>(a)) {
                t->OnTrueExecute = count;
                t->OnfalseExecute = count;
            }
        }
        al.InstallOn(&window, [this]() -> QObject* { return window.windowHandle(); });
        window.show();
        window.activateWindow();
        EXPECT_TRUE(waitUntil([this] { return window.isActiveWindow(); }));
        field->setFocus();
    }
    int count(const char* name) { return runs[QString::fromLatin1(name)]; }
    QWindow* handle() { return window.windowHandle(); }
};

} // namespace

TEST(KeyDispatch, KeysRunTheirCommandsInTheMainWindow)
{
    MainWindow w;
    pressKey(w.handle(), Qt::Key_F5);
    EXPECT_EQ(w.count("saGrab"), 1);
    pressKey(w.handle(), Qt::Key_G, Qt::ControlModifier); // secondary "CTRL+G"
    EXPECT_EQ(w.count("saGrab"), 2);
    pressKey(w.handle(), Qt::Key_F8, Qt::ControlModifier);
    EXPECT_EQ(w.count("saReculeTrack"), 1);
    pressKey(w.handle(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(w.count("saIncrustTimeStamp"), 1);
    EXPECT_EQ(w.count("saIncrustTimecode"), 0);
    pressKey(w.handle(), Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(w.count("tafullscreen"), 1);

    // The start-up volume keys, from the keypad only.
    pressKey(w.handle(), Qt::Key_Plus, Qt::KeypadModifier);
    pressKey(w.handle(), Qt::Key_P, Qt::AltModifier);
    pressKey(w.handle(), Qt::Key_Minus, Qt::KeypadModifier);
    pressKey(w.handle(), Qt::Key_M, Qt::AltModifier);
    EXPECT_EQ(w.count("saIncVolume"), 2);
    EXPECT_EQ(w.count("saDecVolume"), 2);
    pressKey(w.handle(), Qt::Key_Plus, Qt::NoModifier, "+");
    EXPECT_EQ(w.count("saIncVolume"), 2);
    EXPECT_EQ(w.field->text(), "+");
    w.field->clear();

    // A command's key wins over the focused text field.
    pressKey(w.handle(), Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_EQ(w.count("taPlayPause"), 1);
    EXPECT_EQ(w.field->text(), "");

    // Disabled: the command does not run and the key reaches the field.
    w.al.Find("taPlayPause")->SetEnabled(false);
    pressKey(w.handle(), Qt::Key_Space, Qt::NoModifier, " ");
    EXPECT_EQ(w.count("taPlayPause"), 1);
    EXPECT_EQ(w.field->text(), " ");

    // Removed shortcut (while typing a position): same.
    w.al.Find("saGrab")->SetShortCut(0);
    pressKey(w.handle(), Qt::Key_F5);
    EXPECT_EQ(w.count("saGrab"), 2);
    w.al.Find("saGrab")->SetShortCut(KeyCodes::F(5));

    // Keys are not the commands' in another window.
    QWidget other;
    other.show();
    ASSERT_NE(other.windowHandle(), nullptr);
    pressKey(other.windowHandle(), Qt::Key_F5);
    EXPECT_EQ(w.count("saGrab"), 2);
}

TEST(KeyDispatch, EachPressIsTriedOnce)
{
    MainWindow w;
    // An AutoCheck command with no handler inverts its state without being
    // handled; the press then goes to the field and bubbles up to the window
    // widget, where it must not invert the state back.
    auto* show = qobject_cast<TtoggleAction*>(w.al.Find("taIntervalloShow"));
    ASSERT_NE(show, nullptr);
    show->OnfalseExecute = nullptr;
    show->OnTrueExecute = nullptr;
    pressKey(w.handle(), Qt::Key_J, Qt::AltModifier);
    EXPECT_TRUE(show->Checked());
    pressKey(w.handle(), Qt::Key_J, Qt::AltModifier);
    EXPECT_FALSE(show->Checked());

    // A backdrop hands its keys to the window widget by code.
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(&w.window, &f5);
    EXPECT_EQ(w.count("saGrab"), 1);
    // A press sent to a child that leaves it is taken at the window widget.
    pressKey(w.field, Qt::Key_F5);
    EXPECT_EQ(w.count("saGrab"), 2);
    // A key release runs nothing.
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier);
    QCoreApplication::sendEvent(&w.window, &release);
    EXPECT_EQ(w.count("saGrab"), 2);

    // The two script-only commands do nothing from the window.
    EXPECT_TRUE(w.al.Find("saPosition")->Execute());
    w.al.Find("saBouclerScript")->trigger();
    EXPECT_EQ(w.count("saPosition"), 0);
    EXPECT_EQ(w.count("saBouclerScript"), 0);

    EXPECT_FALSE(w.al.DispatchKey(0));
}
