// The main window's layout for any size, its side panels, the side of the
// panel column and reduced mode.

#include "app/TShowForm.h"
#include "app/TSourcesFrame.h"
#include "app/TWindowLayout.h"
#include "app/Tintervalloframe.h"
#include "app/Tnav_fileframe.h"
#include "automation/TCustomSuperAction.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TframeNumberParameter.h"
#include "support/Product.h"
#include "support/THelpFrame.h"
#include "support/TSidePanel.h"
#include "support/TTextGauge.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

const char* const TShowForm::PanelCommands[TShowForm::PanelCount] = {
    "saSourcesFrame",
    "saDossiersFrame",
    "saExtraireFrame",
    "saIncrusterFrame",
    "saOptionsFrame",
    "saHelp",
    "saApropos",
};

void TShowForm::bindLayoutCommands()
{
    for (int i = 0; i < PanelCount; ++i)
        PlainCommand(PanelCommands[i])->Onexecute = [this, i](QObject*) { ShowPanel(i); };
    // The help panel opens on its first page, whatever was left showing.
    PlainCommand("saHelp")->Onexecute = [this](QObject*) {
        static_cast<THelpFrame*>(m_panels[5])->SelectFirstPage();
        ShowPanel(5);
    };
    PlainCommand("saNextPanneau")->Onexecute
        = [this](QObject*) { ShowPanel(m_activePanel >= PanelCount - 1 ? 0 : m_activePanel + 1); };
    PlainCommand("saBasculerPanneau")->Onexecute = [this](QObject*) { SwapPanelColumn(); };
    TtoggleAction* reduce = ToggleCommand("taReduire");
    reduce->OnfalseExecute = [this](QObject*) { SetReduced(true); };
    reduce->OnTrueExecute = [this](QObject*) { SetReduced(false); };
}

void TShowForm::LayoutWindow()
{
    if (m_reduced) return;
    ++m_layoutCount;
    const int w = width();
    const TWindowLayout layout(size(), !ParEcranGauche || ParEcranGauche->Value, m_toolbarButtons);
    PanelColumnX = layout.PanelColumnX;
    VideoOffsetX = layout.VideoOffsetX;

    Bevel1->setGeometry(layout.Separator);
    tbUnique->setGeometry(0, 0, w, 29);
    Bevel2->setGeometry(layout.ToolbarLine);
    PanelTitre->setGeometry(layout.TitleBar);
    EnCoursLab->setGeometry(28, 2, std::max(0, w - 28 - 84), 22);
    scnLab->move(layout.ScnX, 2);
    srtlab->move(layout.SrtX, 2);
    moddlab->move(layout.ModdX, 2);
    panelImage->setGeometry(layout.ImageBar);
    ImageLab->setGeometry(28, 1, std::max(0, w - 30), 22);

    const QRect area = layout.VideoArea;
    Panel1->setGeometry(area);
    Panel2->move((area.width() - Panel2->width()) / 2, (area.height() - Panel2->height()) / 2);
    // Without a picture the silver frame goes round the placeholder.
    if (!m_media || !m_media->HasVideo()) Shape2->setGeometry(Panel2->geometry().adjusted(-12, -12, 12, 12));

    // The top bar spans the video area so that the size label has room for
    // high-definition sizes; the volume gauge ends it on the right.
    PanelHaut->resize(std::max(MinWidth - 292, area.width()), PanelHaut->height());
    labTaille->setGeometry(164, 4, PanelHaut->width() - 164 - 48, 22);
    VolumeGauge->move(PanelHaut->width() - 44, 2);
    // Their heights follow the picture when there is one (FitVideo).
    PanelHaut->move(layout.CentredInVideoArea(PanelHaut->width()), 54);
    NavBar->move(layout.CentredInVideoArea(NavBar->width()), area.bottom() + 1);
    IntervalloBar->setGeometry(NavBar->geometry());

    for (QWidget* sep : m_toolbarSeparators)
        sep->setFixedWidth(layout.ToolbarSeparatorWidth);

    for (TSidePanel* p : m_panels) {
        p->move(PanelColumnX, TSidePanel::Top);
        p->resize(TSidePanel::Width, layout.PanelHeight);
    }
}

void TShowForm::ShowPanel(int index)
{
    if (index > 8 || index < 0) return;
    HidePanel();
    m_activePanel = index;
    if (ParPanneauActif) ParPanneauActif->Value = uint8_t(index);
    if (TSidePanel* p = Panel(index)) {
        p->move(PanelColumnX, TSidePanel::Top);
        p->raise();
        p->show();
        if (TCustomSuperAction* a = Action(PanelCommands[index])) a->SetChecked(true);
    }
}

void TShowForm::HidePanel()
{
    if (TSidePanel* p = Panel(m_activePanel)) {
        p->hide();
        if (TCustomSuperAction* a = Action(PanelCommands[m_activePanel])) a->SetChecked(false);
    }
    if (ParPanneauActif) ParPanneauActif->Value = 0;
}

void TShowForm::SwapPanelColumn()
{
    if (ParEcranGauche) ParEcranGauche->Value = !ParEcranGauche->Value;
    if (m_reduced) return;
    // The picture, its sliders and bars move with the area at once rather
    // than at the next resize.
    TntFormResize();
}

void TShowForm::SetReduced(bool on)
{
    if (on == m_reduced) return;
    if (ParReducedOn) ParReducedOn->Value = on;
    if (on) {
        setMinimumSize(0, 0);
        m_normalSize = size();
        if (ParMainWidth && ParMainHeight) {
            ParMainWidth->Value = width();
            ParMainHeight->Value = height();
        }
        // Set first: the resize below must not lay the window out again.
        m_reduced = true;
        const QSize area = Panel1->size();
        Panel1->move(0, 0);
        resize(area);
        Panel1->raise();
        setWindowTitle(SourcesFrame()->cboxvideo->currentText());
    } else {
        m_reduced = false;
        setMinimumSize(MinWidth, MinHeight);
        QSize normal = m_normalSize;
        if (ParMainWidth && ParMainHeight) normal = QSize(ParMainWidth->Value, ParMainHeight->Value);
        Panel1->move(Panel1->x(), TWindowLayout::VideoAreaTop);
        Panel1->lower();
        resize(normal.expandedTo(QSize(MinWidth, MinHeight)));
        TntFormResize();
        setWindowTitle(Product::Caption());
    }
    if (auto* a = dynamic_cast<TtoggleAction*>(Action("taReduire"))) a->SetChecked(on);
}

QScreen* TShowForm::HoldingScreen() const
{
    if (QScreen* s = QGuiApplication::screenAt(frameGeometry().center())) return s;
    if (QScreen* s = screen()) return s;
    return QGuiApplication::primaryScreen();
}

void TShowForm::applyStoredBounds()
{
    if (!ParTop || !ParLeft || !ParMainHeight || !ParMainWidth) return;
    const QRect stored(ParLeft->Value, ParTop->Value, ParMainWidth->Value, ParMainHeight->Value);
    // A size kept on a larger screen, or a place on a screen gone since,
    // comes back inside the screen the window is put on.
    QScreen* screen = QGuiApplication::screenAt(stored.topLeft());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect bounds = screen
        ? TWindowLayout::InsideScreen(stored, screen->availableGeometry(), QSize(MinWidth, MinHeight))
        : QRect(stored.topLeft(), stored.size().expandedTo(QSize(MinWidth, MinHeight)));
    setGeometry(bounds);
}
