#pragma once
// Where the main window's pieces go for a client size: the side-panel column
// on one side, the video area beside it, the bars across, and the toolbar's
// separators stretched so the button groups spread over the whole width.

#include <QRect>
#include <QSize>

class TWindowLayout
{
public:
    static constexpr int ColumnWidth = 276;
    static constexpr int PanelTop = 56;
    static constexpr int VideoAreaTop = 86;
    static constexpr int ToolbarButtonWidth = 29;

    // `videoLeft`: the video on the left and the panels on the right.
    // `toolbarButtons` counts the separators too.
    TWindowLayout(QSize client, bool videoLeft, int toolbarButtons);

    int PanelColumnX = 0;
    int VideoOffsetX = 0;
    QRect Separator; // Bevel1, between the video and the panels
    QRect ToolbarLine; // Bevel2
    QRect TitleBar;
    QRect ImageBar;
    QRect VideoArea;
    int PanelHeight = 0; // the grab panel's, which all panels share
    // The companion-file flags, from the title bar's left.
    int ScnX = 0;
    int SrtX = 0;
    int ModdX = 0;
    int ToolbarSeparatorWidth = 0;

    // `stored` made to fit `screen`: no larger than it (but never below
    // `minimum`), and moved so that it lies inside it.
    static QRect InsideScreen(const QRect& stored, const QRect& screen, QSize minimum);

    // The left that centres something `width` wide in the video area.
    int CentredInVideoArea(int width) const;
};
