#include "app/TWindowLayout.h"

#include <algorithm>

TWindowLayout::TWindowLayout(QSize client, bool videoLeft, int toolbarButtons)
{
    const int w = client.width();
    const int h = client.height();
    if (videoLeft) {
        PanelColumnX = w - ColumnWidth;
        VideoOffsetX = 0;
        Separator = QRect(w - ColumnWidth - 1, 54, 2, h - 84);
    } else {
        PanelColumnX = 0;
        VideoOffsetX = ColumnWidth;
        Separator = QRect(ColumnWidth + 1, 54, 2, h - 84);
    }
    ToolbarLine = QRect(0, 29, w, 2);
    TitleBar = QRect(0, 30, w, 26);
    ImageBar = QRect(0, h - 24, w, 24);
    VideoArea = QRect(VideoOffsetX + 8, VideoAreaTop, w - 292, h - 192);
    PanelHeight = h - 80;
    ScnX = w - 30;
    SrtX = w - 48;
    ModdX = w - 80;
    // The separators take back their own button width, so the groups end at
    // the right edge.
    ToolbarSeparatorWidth = (w + 116 - ToolbarButtonWidth * toolbarButtons) / 4;
    if (ToolbarSeparatorWidth < 0) ToolbarSeparatorWidth = 0;
}

int TWindowLayout::CentredInVideoArea(int width) const
{
    return VideoArea.left() + (VideoArea.width() - width) / 2;
}

QRect TWindowLayout::InsideScreen(const QRect& stored, const QRect& screen, QSize minimum)
{
    const QSize size = stored.size().boundedTo(screen.size()).expandedTo(minimum);
    // Along each axis: no further right (down) than the screen allows, then
    // no further left (up) than its edge, which wins when the window is the
    // larger.
    const int left
        = std::max(screen.left(), std::min(stored.left(), screen.left() + screen.width() - size.width()));
    const int top
        = std::max(screen.top(), std::min(stored.top(), screen.top() + screen.height() - size.height()));
    return QRect(QPoint(left, top), size);
}
