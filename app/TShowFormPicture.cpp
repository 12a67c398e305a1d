// The main window's picture: its place and shape in the video area or on the
// full-screen backdrop, the size label, the forced ratios, the flips and the
// inlay switch.

#include "app/TShowForm.h"
#include "app/Tintervalloframe.h"
#include "app/Tnav_fileframe.h"
#include "app/Tplaque.h"
#include "app/VideoFitting.h"
#include "automation/TtoggleAction.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TincrustRecParameter.h"
#include "support/TSidePanel.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSlider>
#include <QWindow>

void TShowForm::FitVideo(int a, int b)
{
    m_ratioA = a;
    m_ratioB = b;
    const QRect area(Panel1->pos(), Panel1->size());
    if (FullScreen()) {
        // On the backdrop: the screen less 4 pixels, the silver frame 4
        // pixels outside the picture.
        const QRect screen = m_plaque->geometry();
        const QRect video
            = FitRect(a, b, QRect(QPoint(0, 0), screen.size()).adjusted(4, 4, -4, -4), false, 0);
        if (vwEcran->parentWidget() != m_plaque) vwEcran->setParent(m_plaque);
        vwEcran->setGeometry(video);
        vwEcran->show();
        vwEcran->raise();
        m_plaque->SetFrameRect(video.adjusted(-4, -4, 4, 4));
    } else {
        if (vwEcran->parentWidget() != Panel1) {
            vwEcran->setParent(Panel1);
            vwEcran->setVisible(m_media && m_media->HasVideo());
        }
        const QRect video = FitRect(a, b, area, true, 12);
        vwEcran->setGeometry(video);
        Panel2->move((area.width() - Panel2->width()) / 2, (area.height() - Panel2->height()) / 2);
        // Round the picture, or round the placeholder while there is none.
        const bool picture = m_media && m_media->HasVideo();
        Shape2->setGeometry((picture ? video : Panel2->geometry()).adjusted(-12, -12, 12, 12));
        Shape2->lower();
        const int L = video.left(), T = video.top(), W = video.width(), H = video.height();
        const int PL = area.left(), PT = area.top();
        Yslider->setGeometry(PL + L + W - 6, PT + T - 8, Yslider->sizeHint().width(), H + 16);
        Xslider->setGeometry(PL + L - 8, PT + T + H - 6, W + 16, Xslider->sizeHint().height());
        Shape1->move(L + W - 6, T + H - 6);
        placeNavigationBars(video);
    }
    // The thumbnail takes the same ratio in the grab panel.
    if (TSidePanel* grab = Panel(2)) {
        const QRect thumb = FitRect(a, b, QRect(QPoint(0, 0), grab->size()), true, 12);
        ThumbnailBox = { thumb.width(), thumb.height(), thumb.left() };
    }
    const int width = std::max(SourceSize.width(), 0);
    const int height = std::max(SourceSize.height(), 0);
    const QRect out = FitRect(a, b, QRect(0, 0, width, height), false, 0);
    OutputSize = out.size();
}

void TShowForm::placeNavigationBars(const QRect& video)
{
    const QPoint area = Panel1->pos();
    PanelHaut->move(PanelHaut->x(), area.y() + video.top() - 32);
    NavBar->move(NavBar->x(), area.y() + video.top() + video.height());
    // Over the navigation bar, at its place, while it is shown.
    IntervalloBar->setGeometry(NavBar->geometry());
}

bool TShowForm::FullScreen() const
{
    return m_plaque && m_plaque->isVisible();
}

void TShowForm::SetFullScreen(bool on)
{
    if (auto* a = dynamic_cast<TtoggleAction*>(Action("tafullscreen"))) a->SetChecked(on);
    if (!m_plaque) return;
    if (on) {
        if (!m_media || !m_media->HasVideo()) return;
        // The screen the window is on, not the first one.
        if (QScreen* screen = HoldingScreen()) {
            m_plaque->winId();
            m_plaque->windowHandle()->setScreen(screen);
            m_plaque->setGeometry(screen->geometry());
        }
        m_plaque->showFullScreen();
        m_plaque->raise();
        m_plaque->activateWindow();
        m_plaque->setFocus();
    } else {
        vwEcran->setParent(Panel1);
        vwEcran->setVisible(m_media && m_media->HasVideo());
        m_plaque->hide();
        Shape2->lower();
    }
    RefitVideo();
}

void TShowForm::SetInlayOn(bool on)
{
    InlayOn = on;
    if (m_media) {
        if (on && ParIncrustRec) m_media->SetInlaySettings(ParIncrustRec->Value);
        m_media->SetInlayEnabled(on);
    }
    RedrawStill();
    if (auto* a = dynamic_cast<TtoggleAction*>(Action("taIncruster"))) {
        a->SetChecked(on);
        a->SetEnabled(true);
        if (ParWantIncrust) ParWantIncrust->Value = a->Checked();
    }
}

void TShowForm::RefitVideo()
{
    if (!m_media || !m_media->HasVideo()) return;
    const auto [aspect, width, height] = StreamShape();
    const TAspectChoice ratio = RatioOfMode(
        AspectMode, aspect, width ? width : SourceSize.width(), height ? height : SourceSize.height());
    FitVideo(ratio.a, ratio.b);
}

void TShowForm::RefreshFrameSize()
{
    // The compositor's frame, shared: a run takes every frame, and copying
    // 8 MB of a 1080p picture on the UI thread held the stream back.
    if (m_media && m_media->HasVideo()) {
        m_media->CopyOverlayBitmap(m_sourceFrame);
        SourceSize = m_sourceFrame.isNull() ? QSize() : m_sourceFrame.size();
    } else {
        SourceSize = QSize();
    }
    RefitVideo();
    labTaille->setText(SizeLabelText(
        SourceSize.width(), SourceSize.height(), OutputSize.width(), OutputSize.height(), AspectMode));
}

void TShowForm::ForceAspect(int mode)
{
    if (ParForcerAspectRatio) ParForcerAspectRatio->Value = mode;
    const auto [aspect, width0, height0] = StreamShape();
    int width = width0;
    int height = height0;
    if (width <= 0 || height <= 0) {
        width = SourceSize.width();
        height = SourceSize.height();
    }
    const TAspectChoice ratio = ApplyAspectPreference(mode, aspect, width, height);
    AspectMode = ratio.mode;
    FitVideo(ratio.a ? ratio.a : 4, ratio.b ? ratio.b : 3);
    RefreshFrameSize();
}

void TShowForm::SetFlip(bool vertical, bool on)
{
    (vertical ? VerticalFlip : HorizontalFlip) = on;
    if (m_media) {
        if (vertical)
            m_media->SetVerticalFlip(on);
        else
            m_media->SetHorizontalMirror(on);
    }
    if (auto* a = dynamic_cast<TtoggleAction*>(Action(vertical ? "taVertFlip" : "taHorzFlip"))) {
        a->SetChecked(on);
        a->SetEnabled(true);
    }
    RedrawStill();
}

void TShowForm::RedrawStill()
{
    if (!m_media) return;
    {
        TBusyScope busy(*this);
        m_media->RefreshStill();
        ProcessPendingMessages();
    }
}
