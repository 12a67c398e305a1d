#include "automation/TShortcutOrder.h"

#include "automation/KeyCodes.h"
#include "automation/TActionList.h"

#include <QCollator>
#include <algorithm>

QStringList TShortcutOrder::RowTexts(const TCustomSuperAction& action)
{
    return { action.Caption(), KeyCodes::ToListText(action.ShortCut()), action.Switch(), action.Token() };
}

QStringList TShortcutOrder::SortKey(const TCustomSuperAction& action, int column)
{
    const QStringList texts = RowTexts(action);
    QStringList key;
    if (column > Caption && column < ColumnCount) key << texts[column];
    key << action.Caption() << action.objectName();
    return key;
}

QList<TCustomSuperAction*> TShortcutOrder::Rows(const TActionList& list, int column)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    auto compare = [&collator](const QStringList& a, const QStringList& b) {
        for (qsizetype i = 0; i < std::min(a.size(), b.size()); ++i)
            if (const int c = collator.compare(a[i], b[i])) return c;
        return int(a.size() - b.size());
    };

    QList<std::pair<QStringList, TCustomSuperAction*>> rows;
    for (TCustomSuperAction* action : list.Actions())
        if (action && !action->Caption().isEmpty()) rows.append({ SortKey(*action, column), action });
    std::stable_sort(rows.begin(), rows.end(),
        [&compare](const auto& a, const auto& b) { return compare(a.first, b.first) < 0; });

    QList<TCustomSuperAction*> sorted;
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (i == 0 || compare(rows[i - 1].first, rows[i].first) != 0) sorted << rows[i].second;
    return sorted;
}
