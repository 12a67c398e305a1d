#include "automation/KeyCodes.h"

#include <QKeyEvent>
#include <gtest/gtest.h>

using namespace KeyCodes;

namespace
{

QList<uint16_t> everyKey()
{
    QList<uint16_t> keys;
    for (char c = 'A'; c <= 'Z'; ++c)
        keys << Key(c);
    for (char c = '0'; c <= '9'; ++c)
        keys << Key(c);
    for (int n = 1; n <= 24; ++n)
        keys << F(n);
    for (int n = 0; n <= 9; ++n)
        keys << uint16_t(VkNumpad0 + n);
    keys << VkBack << VkTab << VkReturn << VkEscape << VkSpace << VkPrior << VkNext << VkEnd << VkHome
         << VkLeft << VkUp << VkRight << VkDown << VkInsert << VkDelete << VkMultiply << VkAdd << VkSubtract
         << VkDecimal << VkDivide;
    return keys;
}

} // namespace

TEST(KeyCodes, EveryKeyRoundTripsThroughQtAndText)
{
    const uint16_t modifierSets[] = { 0, Shift, Ctrl, Alt, Ctrl | Shift, Ctrl | Alt, Shift | Ctrl | Alt };
    for (uint16_t key : everyKey()) {
        for (uint16_t mods : modifierSets) {
            const uint16_t code = key | mods;
            const QKeyCombination qt = ToQt(code);
            EXPECT_NE(qt.key(), Qt::Key(0)) << Qt::hex << code;
            EXPECT_EQ(FromQt(qt), code) << Qt::hex << code;
            EXPECT_EQ(FromText(ToText(code)), code) << ToText(code).toStdString();
            // The list form writes keypad digits as plain digits.
            if (key < VkNumpad0 || key > VkNumpad0 + 9) {
                EXPECT_EQ(FromText(ToListText(code)), code) << ToListText(code).toStdString();
            }
        }
    }
    EXPECT_EQ(ToQt(VkAdd), QKeyCombination(Qt::KeypadModifier, Qt::Key_Plus));
    EXPECT_EQ(ToQt(VkNumpad0 + 7), QKeyCombination(Qt::KeypadModifier, Qt::Key_7));
    EXPECT_EQ(
        ToQt(Ctrl | Shift | Key('T')), QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_T));
    EXPECT_EQ(ToQt(0).key(), Qt::Key(0));
    EXPECT_EQ(ToQt(Ctrl | 0xFF).key(), Qt::Key(0));
}

TEST(KeyCodes, ReadsShortcutTexts)
{
    EXPECT_EQ(FromText("CTRL+G"), 0x4000 | 'G');
    EXPECT_EQ(FromText("Ctrl+F8"), 0x4000 | 0x77);
    EXPECT_EQ(FromText("ALT+M"), 0x8000 | 'M');
    EXPECT_EQ(FromText("Alt+P"), 0x8000 | 'P');
    EXPECT_EQ(FromText("ctrl+shift+t"), 0x6000 | 'T');
    EXPECT_EQ(FromText("Shift+Ctrl+T"), 0x6000 | 'T');
    EXPECT_EQ(FromText("Alt+Enter"), 0x8000 | 0x0D);
    EXPECT_EQ(FromText("esc"), 0x1B);
    EXPECT_EQ(FromText("Ctrl+PgDn"), 0x4000 | 0x22);
    EXPECT_EQ(FromText("Num +"), 0x6B);
    EXPECT_EQ(FromText("Alt+Num -"), 0x8000 | 0x6D);
    EXPECT_EQ(FromText("F1"), 0x70);
    EXPECT_EQ(FromText("F24"), 0x87);
    EXPECT_EQ(FromText("Fin"), 0x23); // a key name starting like a function key
    EXPECT_EQ(FromText("  Ctrl+A  "), 0x4000 | 'A');

    for (const char* bad : { "", "Ctrl+", "Ctrl", "+", "Ctrl++", "Hyper+G", "F0", "F25", "F01", "GG",
             "Ctrl G", "Ctrl+Ctrl+G", "Num", "Num 10", "Ctrl+é" })
        EXPECT_EQ(FromText(QString::fromUtf8(bad)), 0) << bad;
}

TEST(KeyCodes, KeysAsTheKeyboardReportsThem)
{
    auto code = [](Qt::KeyboardModifiers mods, Qt::Key key) { return FromQt(QKeyCombination(mods, key)); };
    EXPECT_EQ(code(Qt::ShiftModifier, Qt::Key_Backtab), Shift | VkTab);
    EXPECT_EQ(code(Qt::KeypadModifier | Qt::AltModifier, Qt::Key_Enter), Alt | VkReturn);
    EXPECT_EQ(code(Qt::NoModifier, Qt::Key_Enter), VkReturn);
    // Keypad with Num Lock off sends navigation keys.
    EXPECT_EQ(code(Qt::KeypadModifier, Qt::Key_Home), VkHome);
    EXPECT_EQ(code(Qt::KeypadModifier | Qt::ControlModifier, Qt::Key_PageDown), Ctrl | VkNext);
    EXPECT_EQ(code(Qt::KeypadModifier, Qt::Key_5), VkNumpad0 + 5);
    EXPECT_EQ(code(Qt::NoModifier, Qt::Key_5), Key('5'));
    EXPECT_EQ(code(Qt::KeypadModifier, Qt::Key_Comma), VkDecimal);
    // Operators count only from the keypad; Meta and lone modifiers match no
    // command.
    EXPECT_EQ(code(Qt::NoModifier, Qt::Key_Plus), 0);
    EXPECT_EQ(code(Qt::MetaModifier, Qt::Key_A), 0);
    EXPECT_EQ(code(Qt::ControlModifier, Qt::Key_Control), 0);

    const QKeyEvent press(QEvent::KeyPress, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(FromKeyEvent(press), FromText("CTRL+G"));
}

TEST(KeyCodes, DisplayAndListTexts)
{
    EXPECT_EQ(ToText(Ctrl | Shift | Key('T')), "Ctrl+Shift+T");
    EXPECT_EQ(ToListText(Ctrl | Shift | Key('T')), "Shift+Ctrl+T");
    EXPECT_EQ(ToText(Alt | VkReturn), "Alt+Enter");
    EXPECT_EQ(ToText(VkAdd), "Num +");
    EXPECT_EQ(ToListText(Alt | VkBack), "Alt+BkSp");
    EXPECT_EQ(ToListText(VkReturn), QString::fromUtf8("Entrée"));
    EXPECT_EQ(ToListText(VkNumpad0 + 3), "3");
    EXPECT_EQ(ToListText(0), "");
    EXPECT_EQ(ToText(Ctrl | 0xFF), "");
}
