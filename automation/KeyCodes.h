#pragma once
// 16-bit key codes of the command catalog and their Qt counterparts.
//
// A key code keeps the virtual-key number of the original keyboard model in
// its low byte and the modifiers in its high bits (0x2000 Shift, 0x4000 Ctrl,
// 0x8000 Alt); 0 means "no key". Scripts, stored shortcut texts and the
// shortcuts window all speak this form, so it stays the one identity of a key
// and Qt keys are only translated to and from it at the edges.

#include <QKeyCombination>
#include <QString>
#include <cstdint>

class QKeyEvent;

namespace KeyCodes
{

constexpr uint16_t Shift = 0x2000;
constexpr uint16_t Ctrl = 0x4000;
constexpr uint16_t Alt = 0x8000;
constexpr uint16_t ModifierMask = Shift | Ctrl | Alt;
constexpr uint16_t KeyMask = 0x00FF;

// Virtual-key numbers of the keys the application names. Letters and digits
// are their upper-case ASCII codes ('A' = 0x41, '0' = 0x30).
enum VirtualKey : uint16_t {
    VkBack = 0x08,
    VkTab = 0x09,
    VkReturn = 0x0D,
    VkEscape = 0x1B,
    VkSpace = 0x20,
    VkPrior = 0x21, // Page Up
    VkNext = 0x22, // Page Down
    VkEnd = 0x23,
    VkHome = 0x24,
    VkLeft = 0x25,
    VkUp = 0x26,
    VkRight = 0x27,
    VkDown = 0x28,
    VkInsert = 0x2D,
    VkDelete = 0x2E,
    VkNumpad0 = 0x60, // .. VkNumpad0 + 9
    VkMultiply = 0x6A,
    VkAdd = 0x6B,
    VkSubtract = 0x6D,
    VkDecimal = 0x6E,
    VkDivide = 0x6F,
    VkF1 = 0x70, // .. VkF1 + 23 = F24
};

constexpr uint16_t Key(char letterOrDigit)
{
    return uint16_t(uint8_t(letterOrDigit));
}
constexpr uint16_t F(int n)
{
    return uint16_t(VkF1 + n - 1);
}

// The Qt key (with Qt::KeypadModifier for the numeric keypad) and modifiers of
// a code; an empty combination (key 0) when the code names no known key.
QKeyCombination ToQt(uint16_t code);

// The code of a Qt key combination; 0 when the key has no code or when a
// modifier outside Shift/Ctrl/Alt (Meta) is held, so such a press matches no
// command. Keypad navigation keys (Num Lock off) give the navigation code.
uint16_t FromQt(QKeyCombination combination);
uint16_t FromKeyEvent(const QKeyEvent& event);

// Display form as the toolkit writes it: "Ctrl+Shift+T", "Alt+Enter", "F5",
// "Num +". Empty for 0 or an unknown key.
QString ToText(uint16_t code);

// Reads a shortcut text: modifiers "Ctrl+", "Shift+", "Alt+" in any order and
// case, then one key name (the names of ToText and a few usual aliases, any
// case). Anything else gives 0.
uint16_t FromText(const QString& text);

// The form the shortcuts window lists: modifiers in the order "Shift+",
// "Ctrl+", "Alt+" and the French key names ("Entrée", "Echap", "Espace",
// "Suppr", ...); keypad digits as plain digits.
QString ToListText(uint16_t code);

} // namespace KeyCodes
