#pragma once
// A coloured zone with a word on it that takes the local files dropped on it.

#include <QLabel>
#include <QStringList>

class TDropPanel : public QLabel
{
    Q_OBJECT
public:
    TDropPanel(const QString& text, const QColor& color, QWidget* parent);

signals:
    // The local files of a drop, in their order.
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
};
