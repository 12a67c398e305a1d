#include "app/Tnav_fileframe.h"

#include "automation/TActionList.h"
#include "automation/TCustomSuperAction.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

const char* const Tnav_fileframe::ButtonCommands[9] = {
    "saReculeTrack",
    "saReculeHigh",
    "saReculeMedium",
    "saReculeLow",
    "taPlayPause",
    "saAvanceLow",
    "saAvanceMedium",
    "saAvanceHigh",
    "saAvanceTrack",
};

namespace
{
// The Play picture drawn in the given colour: a triangle, or two bars while
// the video plays.
QIcon playIcon(const QColor& colour, bool playing)
{
    QPixmap pm(44, 44);
    pm.setDevicePixelRatio(2.0);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(colour);
    if (playing) {
        p.drawRect(QRectF(6, 4, 4, 14));
        p.drawRect(QRectF(13, 4, 4, 14));
    } else {
        const QPointF triangle[] = { { 6, 4 }, { 18, 11 }, { 6, 18 } };
        p.drawPolygon(triangle, 3);
    }
    return QIcon(pm);
}
} // namespace

Tnav_fileframe::Tnav_fileframe(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("nav_fileframe"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    tb = new QSlider(Qt::Horizontal, this);
    tb->setObjectName(QStringLiteral("tb"));
    tb->setRange(0, 1024);
    tb->setPageStep(64);
    // The keys belong to the commands, not to the slider.
    tb->setFocusPolicy(Qt::NoFocus);
    column->addWidget(tb);
    auto* row = new QHBoxLayout;
    row->setSpacing(2);
    row->addStretch(1);
    for (int i = 0; i < 9; ++i) {
        auto* b = new QToolButton(this);
        b->setObjectName(QStringLiteral("btn%1").arg(QLatin1String(ButtonCommands[i])));
        b->setAutoRaise(true);
        b->setIconSize(QSize(22, 22));
        b->setFocusPolicy(Qt::NoFocus);
        row->addWidget(b);
        Buttons << b;
    }
    row->addStretch(1);
    column->addLayout(row);
    PlayButton = Buttons[4];
}

void Tnav_fileframe::BindCommands(const TActionList& list)
{
    for (int i = 0; i < 9; ++i)
        if (TCustomSuperAction* a = list.Find(QLatin1String(ButtonCommands[i]))) {
            if (i == 4) {
                // The Play button keeps its own pictures: it runs the
                // command and shows the command's state and hint.
                m_play = a;
                connect(PlayButton, &QToolButton::clicked, a, [a] { a->Execute(); });
                connect(a, &QAction::changed, this, [this] { SetPlayPicture(m_picture); });
                continue;
            }
            Buttons[i]->setDefaultAction(a);
            // A command hidden from the menus (the scene steps without a
            // scene file) hides its button too.
            connect(a, &QAction::changed, Buttons[i], [b = Buttons[i], a] { b->setVisible(a->Visible()); });
            Buttons[i]->setVisible(a->Visible());
        }
    SetPlayPicture(TPlayPicture::NoVideo);
}

void Tnav_fileframe::SetPlayPicture(TPlayPicture picture)
{
    m_picture = picture;
    const bool playing = m_play && m_play->Checked();
    switch (picture) {
    case TPlayPicture::Normal:
        PlayButton->setIcon(playIcon(QColor(40, 140, 40), playing));
        break;
    case TPlayPicture::MaxSpeed:
        PlayButton->setIcon(playIcon(QColor(210, 30, 30), playing));
        break;
    case TPlayPicture::NoVideo:
        PlayButton->setIcon(playIcon(QColor(150, 150, 150), playing));
        break;
    }
    if (m_play) {
        PlayButton->setToolTip(m_play->Hint());
        PlayButton->setEnabled(m_play->Enabled());
    }
}
