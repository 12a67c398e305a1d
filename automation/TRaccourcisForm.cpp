#include "automation/TRaccourcisForm.h"

#include "automation/TActionList.h"
#include "automation/TCustomSuperAction.h"
#include "automation/TShortcutOrder.h"
#include "prefs/Preferences.h"
#include "support/Product.h"
#include "support/TLinkEdit.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{
const char* const Headers[TShortcutOrder::ColumnCount] = { "Fonctions", "Touches", "Switches", "Script" };
const int Widths[TShortcutOrder::ColumnCount] = { 238, 80, 60, 100 };
} // namespace

TRaccourcisForm::TRaccourcisForm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("RaccourcisForm"));
    setWindowTitle(QStringLiteral("Les commandes de %1").arg(Product::NameAndVersion()));
    auto* items = new QVBoxLayout(this);
    items->setContentsMargins(4, 4, 4, 4);

    Header = new TLinkEdit(this);
    Header->setObjectName(QStringLiteral("Header"));
    Header->setFrameShape(QFrame::NoFrame);
    QPalette pal = Header->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Window));
    Header->setPalette(pal);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    f.setItalic(true);
    Header->setFont(f);
    Header->SetAlignment(Qt::AlignHCenter);
    Header->SetRichText(QStringLiteral(
        "Cliquez sur l'en-tête d'une colonne pour trier selon la colonne concernée. <br>Vous pouvez aussi "
        "double-cliquer sur une ligne contenant une commande pour la lancer."));
    Header->setFixedHeight(48);
    Header->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    items->addWidget(Header);

    Grid = new QTableWidget(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setColumnCount(TShortcutOrder::ColumnCount);
    for (int c = 0; c < TShortcutOrder::ColumnCount; ++c) {
        Grid->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(Headers[c])));
        Grid->setColumnWidth(c, Widths[c]);
    }
    Grid->verticalHeader()->hide();
    Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->verticalHeader()->setDefaultSectionSize(RowHeight);
    Grid->horizontalHeader()->setSectionsClickable(true);
    Grid->horizontalHeader()->setHighlightSections(false);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid->viewport()->setCursor(Qt::PointingHandCursor);
    Grid->horizontalHeader()->setCursor(Qt::PointingHandCursor);
    items->addWidget(Grid, 1);
    connect(Grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &TRaccourcisForm::SortBy);
    connect(Grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { RunRow(row); });

    int width = 0;
    for (int w : Widths)
        width += w;
    resize(width + 40, 520);
}

int TRaccourcisForm::SortColumn() const
{
    return ParRaccourcisSort ? ParRaccourcisSort->Value : m_sortColumn;
}

void TRaccourcisForm::Fill(TActionList* list)
{
    m_list = list;
    m_rows.clear();
    Grid->clearContents();
    if (!list) {
        Grid->setRowCount(0);
        return;
    }
    const QList<TCustomSuperAction*> rows = TShortcutOrder::Rows(*list, SortColumn());
    Grid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        TCustomSuperAction* action = rows[r];
        m_rows << action;
        const QStringList texts = TShortcutOrder::RowTexts(*action);
        for (int c = 0; c < TShortcutOrder::ColumnCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setToolTip(action->Hint());
            Grid->setItem(r, c, item);
        }
    }
    Grid->clearSelection();
}

void TRaccourcisForm::SortBy(int column)
{
    if (column < 0 || column >= TShortcutOrder::ColumnCount) return;
    m_sortColumn = column;
    if (ParRaccourcisSort) ParRaccourcisSort->Value = uint8_t(column);
    Fill(m_list);
}

TCustomSuperAction* TRaccourcisForm::RowCommand(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].data() : nullptr;
}

void TRaccourcisForm::RunRow(int row)
{
    if (TCustomSuperAction* action = RowCommand(row)) action->Execute();
}

void TRaccourcisForm::closeEvent(QCloseEvent* e)
{
    // The close box goes through the command, so that it is unchecked with
    // the window hidden (its preparation sees the window still shown).
    TCustomSuperAction* command = m_list ? m_list->Find(QStringLiteral("taraccourcis")) : nullptr;
    if (command && command->Execute() && !isVisible()) {
        e->ignore();
        return;
    }
    e->accept();
}
