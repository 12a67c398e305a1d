#include "support/TDropPanel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace
{
QStringList LocalFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    return files;
}
} // namespace

TDropPanel::TDropPanel(const QString& text, const QColor& color, QWidget* parent)
    : QLabel(text, parent)
{
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    QFont f = font();
    f.setBold(true);
    f.setPixelSize(16);
    setFont(f);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setMinimumHeight(48);
    setAcceptDrops(true);
}

void TDropPanel::dragEnterEvent(QDragEnterEvent* e)
{
    if (!LocalFiles(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void TDropPanel::dropEvent(QDropEvent* e)
{
    const QStringList files = LocalFiles(e->mimeData());
    if (files.isEmpty()) return;
    e->acceptProposedAction();
    emit filesDropped(files);
}
