#include "capture/TExtraireFrame.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>

TExtraireFrame::TExtraireFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("ExtraireFrame"), QStringLiteral("Extraire"), parent)
{
    // The pieces are placed by the main window, in line with the picture.
    Bevel3 = new QFrame(this);
    Bevel3->setFrameShape(QFrame::Box);
    Bevel3->setObjectName(QStringLiteral("Bevel3"));
    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setScaledContents(true);
    Image->setCursor(Qt::PointingHandCursor);
    Image->installEventFilter(this);
    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::StyledPanel);
    SnapLab = new QLabel(this);
    SnapLab->setObjectName(QStringLiteral("SnapLab"));
    SnapLab->setAlignment(Qt::AlignCenter);
    QFont big = SnapLab->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    SnapLab->setFont(big);
    labImagetteTaille = new QLabel(this);
    labImagetteTaille->setObjectName(QStringLiteral("labImagetteTaille"));
    labsnapname = new QLabel(this);
    labsnapname->setObjectName(QStringLiteral("labsnapname"));
    labsnapname->setAlignment(Qt::AlignCenter);
    labsnapname->setAutoFillBackground(true);
    labsnapname->installEventFilter(this);
}

void TExtraireFrame::Clear()
{
    Image->clear();
    SnapLab->clear();
    labImagetteTaille->clear();
    labsnapname->clear();
    labsnapname->setToolTip(QString());
    labsnapname->setPalette(palette());
}

bool TExtraireFrame::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (watched == Image) emit ImageClicked();
        if (watched == labsnapname) emit SnapNameClicked();
    }
    return TSidePanel::eventFilter(watched, e);
}
