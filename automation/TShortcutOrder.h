#pragma once
// The order of the shortcuts window's rows: every command with a caption,
// sorted by one column (caption, key, switch or token) and then by caption
// and component name, without regard to case, in the user's locale.

#include <QList>
#include <QString>
#include <QStringList>

class TActionList;
class TCustomSuperAction;

class TShortcutOrder
{
public:
    enum Column { Caption = 0, Keys = 1, Switch = 2, Script = 3 };
    static constexpr int ColumnCount = 4;

    // The texts a row shows, in column order.
    static QStringList RowTexts(const TCustomSuperAction& action);
    // The parts compared, most significant first. Compared part by part
    // rather than joined, so a command without a key comes before every
    // command with one, whatever their captions.
    static QStringList SortKey(const TCustomSuperAction& action, int column);
    // The commands listed, sorted by `column` (0 to 3; anything else sorts
    // by caption); of commands with equal keys only the first is kept.
    static QList<TCustomSuperAction*> Rows(const TActionList& list, int column);
};
