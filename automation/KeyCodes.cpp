#include "automation/KeyCodes.h"

#include <QKeyEvent>
#include <QStringList>
#include <array>

namespace KeyCodes
{

namespace
{

struct NamedKey {
    uint16_t vk;
    Qt::Key qt;
    bool keypad;
    const char* text; // display form, also read back
    const char* listText; // shortcuts window form
};

// Every key with a name of its own; letters, digits and function keys are
// ranges handled beside this table.
constexpr std::array<NamedKey, 26> NamedKeys = { {
    { VkBack, Qt::Key_Backspace, false, "BkSp", "BkSp" },
    { VkTab, Qt::Key_Tab, false, "Tab", "Tab" },
    { VkReturn, Qt::Key_Return, false, "Enter", "Entrée" },
    { VkEscape, Qt::Key_Escape, false, "Esc", "Echap" },
    { VkSpace, Qt::Key_Space, false, "Space", "Espace" },
    { VkPrior, Qt::Key_PageUp, false, "PgUp", "PgUp" },
    { VkNext, Qt::Key_PageDown, false, "PgDn", "PgDn" },
    { VkEnd, Qt::Key_End, false, "End", "Fin" },
    { VkHome, Qt::Key_Home, false, "Home", "Home" },
    { VkLeft, Qt::Key_Left, false, "Left", "LEFT" },
    { VkUp, Qt::Key_Up, false, "Up", "Up" },
    { VkRight, Qt::Key_Right, false, "Right", "Right" },
    { VkDown, Qt::Key_Down, false, "Down", "Down" },
    { VkInsert, Qt::Key_Insert, false, "Ins", "Inser" },
    { VkDelete, Qt::Key_Delete, false, "Del", "Suppr" },
    { VkMultiply, Qt::Key_Asterisk, true, "Num *", "Num *" },
    { VkAdd, Qt::Key_Plus, true, "Num +", "Num +" },
    { VkSubtract, Qt::Key_Minus, true, "Num -", "Num -" },
    { VkDecimal, Qt::Key_Period, true, "Num .", "Num ." },
    { VkDivide, Qt::Key_Slash, true, "Num /", "Num /" },
    // Further spellings accepted when reading a text; never produced.
    { VkReturn, Qt::Key_Return, false, "Return", "Entrée" },
    { VkEscape, Qt::Key_Escape, false, "Escape", "Echap" },
    { VkBack, Qt::Key_Backspace, false, "Backspace", "BkSp" },
    { VkInsert, Qt::Key_Insert, false, "Insert", "Inser" },
    { VkDelete, Qt::Key_Delete, false, "Delete", "Suppr" },
    { VkDecimal, Qt::Key_Comma, true, "Num ,", "Num ." },
} };

bool isLetter(uint16_t vk)
{
    return vk >= 'A' && vk <= 'Z';
}
bool isDigit(uint16_t vk)
{
    return vk >= '0' && vk <= '9';
}
bool isNumpadDigit(uint16_t vk)
{
    return vk >= VkNumpad0 && vk <= VkNumpad0 + 9;
}
bool isFunction(uint16_t vk)
{
    return vk >= VkF1 && vk <= VkF1 + 23;
}

const NamedKey* namedByVk(uint16_t vk)
{
    for (const NamedKey& k : NamedKeys)
        if (k.vk == vk) return &k; // the first row of a key is its canonical one
    return nullptr;
}

QString keyName(uint16_t vk, bool forList)
{
    if (isLetter(vk) || isDigit(vk)) return QString(QChar(vk));
    if (isNumpadDigit(vk))
        return forList ? QString(QChar('0' + vk - VkNumpad0)) : QStringLiteral("Num %1").arg(vk - VkNumpad0);
    if (isFunction(vk)) return QStringLiteral("F%1").arg(vk - VkF1 + 1);
    if (const NamedKey* k = namedByVk(vk)) return QString::fromUtf8(forList ? k->listText : k->text);
    return {};
}

// Names read back: every display name, the aliases, the list names.
uint16_t vkFromName(const QString& name)
{
    if (name.isEmpty()) return 0;
    if (name.size() == 1) {
        const QChar c = name.at(0).toUpper();
        if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) return c.unicode();
        return 0;
    }
    if (name.startsWith(u'F', Qt::CaseInsensitive) && name.size() <= 3 && name.at(1) != u'0') {
        int n = 0;
        bool digits = true;
        for (qsizetype i = 1; i < name.size() && digits; ++i) {
            const char16_t c = name.at(i).unicode();
            digits = c >= '0' && c <= '9';
            n = n * 10 + (c - '0');
        }
        if (digits) return n <= 24 ? F(n) : uint16_t(0);
    }
    if (name.startsWith(QLatin1String("Num "), Qt::CaseInsensitive) && name.size() == 5) {
        const QChar c = name.at(4);
        if (c >= u'0' && c <= u'9') return uint16_t(VkNumpad0 + (c.unicode() - '0'));
    }
    for (const NamedKey& k : NamedKeys) {
        if (name.compare(QString::fromUtf8(k.text), Qt::CaseInsensitive) == 0
            || name.compare(QString::fromUtf8(k.listText), Qt::CaseInsensitive) == 0)
            return k.vk;
    }
    return 0;
}

} // namespace

QKeyCombination ToQt(uint16_t code)
{
    const uint16_t vk = code & KeyMask;
    Qt::KeyboardModifiers mods;
    if (code & Shift) mods |= Qt::ShiftModifier;
    if (code & Ctrl) mods |= Qt::ControlModifier;
    if (code & Alt) mods |= Qt::AltModifier;

    Qt::Key key = Qt::Key(0);
    if (isLetter(vk) || isDigit(vk))
        key = Qt::Key(vk); // Qt uses the same upper-case codes
    else if (isNumpadDigit(vk)) {
        key = Qt::Key(Qt::Key_0 + (vk - VkNumpad0));
        mods |= Qt::KeypadModifier;
    } else if (isFunction(vk))
        key = Qt::Key(Qt::Key_F1 + (vk - VkF1));
    else if (const NamedKey* k = namedByVk(vk)) {
        key = k->qt;
        if (k->keypad) mods |= Qt::KeypadModifier;
    }
    if (key == Qt::Key(0)) return QKeyCombination(Qt::Key(0));
    return QKeyCombination(mods, key);
}

uint16_t FromQt(QKeyCombination combination)
{
    const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
    if (mods & Qt::MetaModifier) return 0;
    const bool keypad = mods & Qt::KeypadModifier;
    int key = combination.key();
    uint16_t modBits = 0;
    if (mods & Qt::ShiftModifier) modBits |= Shift;
    if (mods & Qt::ControlModifier) modBits |= Ctrl;
    if (mods & Qt::AltModifier) modBits |= Alt;

    // Qt reports Shift+Tab as a key of its own.
    if (key == Qt::Key_Backtab) {
        key = Qt::Key_Tab;
        modBits |= Shift;
    }
    // The keypad Enter is the Enter key.
    if (key == Qt::Key_Enter) key = Qt::Key_Return;

    uint16_t vk = 0;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        vk = uint16_t(key);
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        vk = keypad ? uint16_t(VkNumpad0 + (key - Qt::Key_0)) : uint16_t(key);
    else if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        vk = uint16_t(VkF1 + (key - Qt::Key_F1));
    else {
        for (const NamedKey& k : NamedKeys) {
            // Keypad operators only count from the keypad; the keypad's
            // navigation keys (Num Lock off) are the navigation keys.
            if (k.qt == key && (!k.keypad || keypad)) {
                vk = k.vk;
                break;
            }
        }
    }
    return vk ? uint16_t(vk | modBits) : uint16_t(0);
}

uint16_t FromKeyEvent(const QKeyEvent& event)
{
    return FromQt(event.keyCombination());
}

QString ToText(uint16_t code)
{
    const QString name = keyName(code & KeyMask, false);
    if (name.isEmpty()) return {};
    QString text;
    if (code & Ctrl) text += QLatin1String("Ctrl+");
    if (code & Shift) text += QLatin1String("Shift+");
    if (code & Alt) text += QLatin1String("Alt+");
    return text + name;
}

QString ToListText(uint16_t code)
{
    const QString name = keyName(code & KeyMask, true);
    if (name.isEmpty()) return {};
    QString text;
    if (code & Shift) text += QLatin1String("Shift+");
    if (code & Ctrl) text += QLatin1String("Ctrl+");
    if (code & Alt) text += QLatin1String("Alt+");
    return text + name;
}

uint16_t FromText(const QString& text)
{
    QString rest = text.trimmed();
    uint16_t mods = 0;
    static const struct {
        const char* prefix;
        uint16_t bit;
    } prefixes[] = { { "Ctrl+", Ctrl }, { "Shift+", Shift }, { "Alt+", Alt } };
    for (bool found = true; found;) {
        found = false;
        for (const auto& p : prefixes) {
            const QLatin1String prefix(p.prefix);
            // "Ctrl+" followed by nothing is not a modifier: it is no key.
            if (rest.size() > prefix.size() && rest.startsWith(prefix, Qt::CaseInsensitive)) {
                if (mods & p.bit) return 0; // the same modifier twice
                mods |= p.bit;
                rest = rest.mid(prefix.size());
                found = true;
            }
        }
    }
    const uint16_t vk = vkFromName(rest);
    return vk ? uint16_t(vk | mods) : uint16_t(0);
}

} // namespace KeyCodes
