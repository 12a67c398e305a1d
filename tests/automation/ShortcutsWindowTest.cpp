// The shortcuts window over the real catalog: every command with its texts,
// each sort order, double clicks.

#include "automation/CommandCatalog.h"
#include "automation/KeyCodes.h"
#include "automation/TActionList.h"
#include "automation/TRaccourcisForm.h"
#include "automation/TShortcutOrder.h"
#include "automation/TSuperAction.h"

#include <QCollator>
#include <QHeaderView>
#include <QSet>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace
{
QStringList Row(const QTableWidget* grid, int row)
{
    QStringList texts;
    for (int c = 0; c < grid->columnCount(); ++c)
        texts << grid->item(row, c)->text();
    return texts;
}

int RowOf(const QTableWidget* grid, const QString& caption)
{
    for (int r = 0; r < grid->rowCount(); ++r)
        if (grid->item(r, 0)->text() == caption) return r;
    return -1;
}
} // namespace

TEST(ShortcutsWindow, ListsEveryCommandWithTheCatalogsTexts)
{
    TActionList al;
    CreateCommandCatalog(al);
    TRaccourcisForm form;
    form.Fill(&al);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Les commandes de Stillex 5.0.6Fr"));
    const QTableWidget* grid = form.Grid;
    ASSERT_EQ(grid->rowCount(), 86);
    QStringList headers;
    for (int c = 0; c < 4; ++c)
        headers << grid->horizontalHeaderItem(c)->text();
    EXPECT_EQ(headers, QStringList({ "Fonctions", "Touches", "Switches", "Script" }));
    EXPECT_EQ(grid->columnWidth(0), 238);
    EXPECT_EQ(grid->columnWidth(3), 100);
    EXPECT_EQ(grid->rowHeight(0), 18);

    QSet<const TCustomSuperAction*> listed;
    for (int r = 0; r < grid->rowCount(); ++r) {
        const TCustomSuperAction* a = form.RowCommand(r);
        ASSERT_NE(a, nullptr);
        listed << a;
        EXPECT_EQ(grid->item(r, 0)->text(), a->Caption());
        EXPECT_EQ(grid->item(r, 2)->text(), a->Switch());
        EXPECT_EQ(grid->item(r, 3)->text(), a->Token());
        EXPECT_EQ(grid->item(r, 0)->toolTip(), a->Hint());
    }
    EXPECT_EQ(listed.size(), 86);

    // The keys as the window writes them: modifiers Shift, Ctrl, Alt in that
    // order, French key names.
    EXPECT_EQ(Row(grid, RowOf(grid, "Avancer d'une image")),
        QStringList({ "Avancer d'une image", "Ctrl+Right", "ff", "frame_forward" }));
    EXPECT_EQ(Row(grid, RowOf(grid, "Afficher les raccourcis")),
        QStringList({ "Afficher les raccourcis", "F11", "sc", "shortcuts" }));
    const TCustomSuperAction* reduce = al.Find("taReduire");
    EXPECT_EQ(grid->item(RowOf(grid, reduce->Caption()), 1)->text(), QStringLiteral("Alt+BkSp"));
    EXPECT_EQ(KeyCodes::ToListText(KeyCodes::Ctrl | KeyCodes::Shift | KeyCodes::Key('T')), "Shift+Ctrl+T");
    EXPECT_EQ(KeyCodes::ToListText(KeyCodes::VkReturn), QStringLiteral("Entrée"));
}

TEST(ShortcutsWindow, SortsByTheClickedColumn)
{
    TActionList al;
    CreateCommandCatalog(al);
    TRaccourcisForm form;
    form.Fill(&al);
    form.show();
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QHeaderView* header = form.Grid->horizontalHeader();
    for (int column : { 1, 3, 2, 0 }) {
        const int x = header->sectionViewportPosition(column) + 10;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        ASSERT_EQ(form.SortColumn(), column);
        ASSERT_EQ(form.Grid->rowCount(), 86);
        for (int r = 1; r < 86; ++r) {
            const QStringList a = Row(form.Grid, r - 1), b = Row(form.Grid, r);
            const int byColumn = collator.compare(a[column], b[column]);
            ASSERT_LE(byColumn, 0) << column << ": " << a[column].toStdString() << " > "
                                   << b[column].toStdString();
            if (byColumn == 0) {
                EXPECT_LE(collator.compare(a[0], b[0]), 0) << a[0].toStdString();
            }
        }
    }
    // A command without a key, switch or token comes before every command
    // with one, whatever its caption.
    form.SortBy(TShortcutOrder::Script);
    EXPECT_EQ(form.RowCommand(0)->objectName(), QStringLiteral("taUnderlined"));
    form.SortBy(TShortcutOrder::Keys);
    EXPECT_TRUE(form.Grid->item(0, 1)->text().isEmpty());
}

TEST(ShortcutsWindow, DoubleClickRunsTheRowsCommandOnly)
{
    TActionList al;
    auto* a = al.Add(new TSuperAction);
    a->setObjectName("saUn");
    a->SetCaption("Un");
    auto* b = al.Add(new TSuperAction);
    b->setObjectName("saDeux");
    b->SetCaption("Deux");
    al.Add(new TSuperAction)->setObjectName("saSansNom"); // no caption: not listed
    int ranA = 0, ranB = 0;
    a->Onexecute = [&](QObject*) { ++ranA; };
    b->Onexecute = [&](QObject*) { ++ranB; };
    TRaccourcisForm form;
    form.Fill(&al);
    form.show();
    ASSERT_EQ(form.Grid->rowCount(), 2);
    ASSERT_EQ(form.RowCommand(0), b);

    QTableWidget* grid = form.Grid;
    const QPoint unCell = grid->visualItemRect(grid->item(1, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, unCell);
    EXPECT_EQ(ranA + ranB, 0);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, unCell);
    EXPECT_EQ(ranA, 1);
    EXPECT_EQ(ranB, 0);
    // The header row runs nothing.
    QTest::mouseDClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_EQ(ranA + ranB, 1);
    // A disabled command stays so from here too.
    a->SetEnabled(false);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(grid->item(1, 0)).center());
    EXPECT_EQ(ranA, 1);
}
