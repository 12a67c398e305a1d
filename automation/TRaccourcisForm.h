#pragma once
// The shortcuts window: the table of commands with their keys, switches and
// script tokens, sorted by the column whose header was clicked (kept in
// "Raccourcis Sort"); a double click runs a row's command as its key would.

#include <QList>
#include <QPointer>
#include <QWidget>

class QTableWidget;
class TActionList;
class TCustomSuperAction;
class TLinkEdit;

class TRaccourcisForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int RowHeight = 18;

    explicit TRaccourcisForm(QWidget* parent = nullptr);

    // Lists the commands of `list` (kept for the refills of sorting), in
    // the order of the current sort column.
    void Fill(TActionList* list);
    // The column the table is sorted by (0 to 3).
    int SortColumn() const;
    // What a click on a column's header does: the table sorted by it and
    // the choice kept.
    void SortBy(int column);
    // The command of a data row (0 = first command), null outside.
    TCustomSuperAction* RowCommand(int row) const;
    // What a double click on a data row does.
    void RunRow(int row);

    TLinkEdit* Header = nullptr;
    QTableWidget* Grid = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QPointer<TActionList> m_list;
    QList<QPointer<TCustomSuperAction>> m_rows;
    int m_sortColumn = 0;
};
