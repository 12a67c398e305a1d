// The main window at any size: the layout numbers, the panel column on
// either side, the panels and their keys, reduced mode, full screen on the
// screen holding the window with its keys, the window's state kept from one
// start to the next, and the error window reached from a file that cannot be
// opened.

#include "app/TOptionsFrame.h"
#include "app/TShowForm.h"
#include "app/TSourcesFrame.h"
#include "app/TWindowLayout.h"
#include "app/Tplaque.h"
#include "automation/TCustomSuperAction.h"
#include "platform/Registry.h"
#include "prefs/Preferences.h"
#include "prefs/TBooleanParameter.h"
#include "prefs/TIntegerParameter.h"
#include "prefs/TWideStringParameter.h"
#include "prefs/TframeNumberParameter.h"
#include "support/TErreurForm.h"
#include "support/TErrorReport.h"
#include "support/THelpFrame.h"
#include "support/TLinkEdit.h"
#include "support/TSidePanel.h"
#include "support/TSystemInformation.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TestMedia.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrlQuery>
#include <gtest/gtest.h>

namespace
{
class WindowLayout : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void resizeTo(int w, int h)
    {
        form->resize(w, h);
        QApplication::processEvents();
        ASSERT_EQ(form->size(), QSize(w, h));
    }
    void key(int k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(form.get(), Qt::Key(k), m); }
};

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};
} // namespace

TEST(WindowLayoutNumbers, EveryPieceAtTheSmallestAndAFullHdWindowOnEitherSide)
{
    const TWindowLayout small(QSize(708, 522), true, 25);
    EXPECT_EQ(small.PanelColumnX, 432);
    EXPECT_EQ(small.VideoOffsetX, 0);
    EXPECT_EQ(small.Separator, QRect(431, 54, 2, 438));
    EXPECT_EQ(small.VideoArea, QRect(8, 86, 416, 330));
    EXPECT_EQ(small.PanelHeight, 442);
    EXPECT_EQ(small.TitleBar, QRect(0, 30, 708, 26));
    EXPECT_EQ(small.ImageBar, QRect(0, 498, 708, 24));
    EXPECT_EQ(small.ToolbarLine, QRect(0, 29, 708, 2));
    EXPECT_EQ(small.ToolbarSeparatorWidth, 24); // (708 + 116 - 725) / 4
    EXPECT_EQ(std::make_tuple(small.ModdX, small.SrtX, small.ScnX), std::make_tuple(628, 660, 678));

    const TWindowLayout smallRight(QSize(708, 522), false, 25);
    EXPECT_EQ(smallRight.PanelColumnX, 0);
    EXPECT_EQ(smallRight.VideoOffsetX, 276);
    EXPECT_EQ(smallRight.Separator.x(), 277);
    EXPECT_EQ(smallRight.VideoArea, QRect(284, 86, 416, 330));

    const TWindowLayout hd(QSize(1920, 1080), true, 25);
    EXPECT_EQ(hd.PanelColumnX, 1644);
    EXPECT_EQ(hd.Separator, QRect(1643, 54, 2, 996));
    EXPECT_EQ(hd.VideoArea, QRect(8, 86, 1628, 888));
    EXPECT_EQ(hd.ToolbarSeparatorWidth, 327); // 1311 / 4, toward zero
    EXPECT_EQ(hd.CentredInVideoArea(416), 8 + 606);
    const TWindowLayout hdRight(QSize(1920, 1080), false, 25);
    EXPECT_EQ(hdRight.VideoArea, QRect(284, 86, 1628, 888));
    EXPECT_EQ(hdRight.CentredInVideoArea(417), 284 + 605);

    // A stored window brought inside the screen it is put on.
    const QSize minimum(708, 522);
    EXPECT_EQ(TWindowLayout::InsideScreen(QRect(100, 50, 2560, 1440), QRect(0, 0, 1920, 1080), minimum),
        QRect(0, 0, 1920, 1080));
    EXPECT_EQ(TWindowLayout::InsideScreen(QRect(1500, 900, 708, 522), QRect(0, 0, 1920, 1080), minimum),
        QRect(1212, 558, 708, 522));
    EXPECT_EQ(TWindowLayout::InsideScreen(QRect(3000, -40, 900, 700), QRect(1920, 0, 1280, 1024), minimum),
        QRect(2300, 0, 900, 700));
    EXPECT_EQ(TWindowLayout::InsideScreen(QRect(200, 100, 900, 700), QRect(0, 0, 640, 480), minimum),
        QRect(0, 0, 708, 522)); // never below the window's minimum
    EXPECT_EQ(TWindowLayout::InsideScreen(QRect(300, 200, 800, 600), QRect(0, 0, 1920, 1080), minimum),
        QRect(300, 200, 800, 600));
}

TEST_F(WindowLayout, TheWindowIsLaidOutAtAnySizeAndTheColumnSwapsSides)
{
    for (const QSize size : { QSize(708, 522), QSize(1920, 1080), QSize(708, 522) }) {
        SCOPED_TRACE(size.width());
        resizeTo(size.width(), size.height());
        const TWindowLayout expected(size, true, 25);
        EXPECT_EQ(form->Panel1->geometry(), expected.VideoArea);
        EXPECT_EQ(form->Bevel1->geometry(), expected.Separator);
        EXPECT_EQ(form->Panel(0)->geometry(), QRect(expected.PanelColumnX, 56, 276, size.height() - 80));
        EXPECT_EQ(form->panelImage->geometry(), expected.ImageBar);
        // The placeholder, centred, with its frame round it.
        EXPECT_EQ(form->Panel2->geometry().center(), QRect(QPoint(0, 0), expected.VideoArea.size()).center());
        EXPECT_EQ(form->Shape2->geometry(), form->Panel2->geometry().adjusted(-12, -12, 12, 12));
        EXPECT_EQ(
            form->findChild<QWidget*>(QStringLiteral("sep3Btn"))->width(), expected.ToolbarSeparatorWidth);
        // The groups spread over the whole toolbar: the last button ends at
        // its right edge, none pushed into an overflow menu.
        QWidget* quit = form->tbUnique->widgetForAction(form->Action("acQuitter"));
        ASSERT_TRUE(quit);
        EXPECT_TRUE(quit->isVisible());
        EXPECT_GT(quit->geometry().right(), size.width() - 29 - 8);
        EXPECT_LE(quit->geometry().right(), size.width());
    }

    // Alt+W: the panels to the left, the video to the right, at once.
    key(Qt::Key_W, Qt::AltModifier);
    EXPECT_FALSE(ParEcranGauche->Value);
    EXPECT_EQ(form->Panel1->geometry(), QRect(284, 86, 416, 330));
    EXPECT_EQ(form->Panel(0)->x(), 0);
    EXPECT_EQ(form->Bevel1->x(), 277);
    EXPECT_EQ(form->PanelColumnX, 0);
    key(Qt::Key_W, Qt::AltModifier);
    EXPECT_TRUE(ParEcranGauche->Value);
    EXPECT_EQ(form->Panel(0)->x(), 432);
}

TEST_F(WindowLayout, PanelsFollowTheirKeysAndTheLoadIsMeasuredOnlyInView)
{
    auto* help = static_cast<THelpFrame*>(form->Panel(5));
    form->ShowPanel(6);
    key(Qt::Key_F6);
    EXPECT_EQ(form->ActivePanel(), 0); // "Panneau Suivant" wraps after the last
    EXPECT_TRUE(form->Panel(0)->isVisible());
    key(Qt::Key_F6);
    EXPECT_EQ(form->ActivePanel(), 1);
    EXPECT_EQ(ParPanneauActif->Value, 1);
    EXPECT_FALSE(form->Panel(0)->isVisible());

    form->ShowPanel(7); // no panel at all
    for (int i = 0; i < TShowForm::PanelCount; ++i)
        EXPECT_FALSE(form->Panel(i)->isVisible()) << i;
    form->ShowPanel(9); // above 8: nothing changes
    EXPECT_EQ(form->ActivePanel(), 7);

    // The processor load is measured only while its page is in view.
    help->Pages->setCurrentIndex(THelpFrame::CpuPage);
    EXPECT_FALSE(help->CpuTimer->isActive());
    form->ShowPanel(5);
    EXPECT_TRUE(help->CpuTimer->isActive());
    key(Qt::Key_F6);
    EXPECT_FALSE(help->CpuTimer->isActive());
    key(Qt::Key_F1); // the help opens on its first page
    EXPECT_EQ(form->ActivePanel(), 5);
    EXPECT_EQ(help->Pages->currentIndex(), THelpFrame::HelpPage);
    EXPECT_FALSE(help->CpuTimer->isActive());
    help->Pages->setCurrentIndex(THelpFrame::CpuPage);
    EXPECT_TRUE(help->CpuTimer->isActive());
}

TEST_F(WindowLayout, ReducedModeShrinksToTheVideoAreaAndRestoresTheExactGeometry)
{
    resizeTo(900, 700);
    const QRect area = form->Panel1->geometry();
    ASSERT_EQ(area, QRect(8, 86, 608, 508));

    key(Qt::Key_Backspace, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_TRUE(form->Action("taReduire")->Checked());
    EXPECT_TRUE(ParReducedOn->Value);
    EXPECT_EQ(form->size(), area.size());
    EXPECT_EQ(form->Panel1->geometry(), QRect(QPoint(0, 0), area.size()));
    EXPECT_EQ(form->minimumSize(), QSize(0, 0));
    EXPECT_EQ(form->windowTitle(), form->SourcesFrame()->cboxvideo->currentText());
    EXPECT_EQ(std::make_pair(ParMainWidth->Value, ParMainHeight->Value), std::make_pair(900, 700));
    // A resize while reduced moves nothing.
    const int layouts = form->LayoutCount();
    form->resize(500, 400);
    QApplication::processEvents();
    EXPECT_EQ(form->LayoutCount(), layouts);
    EXPECT_EQ(form->Panel1->geometry(), QRect(QPoint(0, 0), area.size()));
    // Swapping the column waits for the normal window.
    form->Action("saBasculerPanneau")->Execute();
    EXPECT_EQ(form->Panel1->geometry(), QRect(QPoint(0, 0), area.size()));
    form->Action("saBasculerPanneau")->Execute();

    key(Qt::Key_Escape); // Escape brings the normal window back
    QApplication::processEvents();
    EXPECT_FALSE(form->Action("taReduire")->Checked());
    EXPECT_FALSE(ParReducedOn->Value);
    EXPECT_EQ(form->size(), QSize(900, 700));
    EXPECT_EQ(form->Panel1->geometry(), area);
    EXPECT_EQ(form->minimumSize(), QSize(708, 522));
    EXPECT_EQ(form->windowTitle(), "Stillex 5.0.6Fr de Kestrine");
}

TEST_F(WindowLayout, FullScreenGoesToTheScreenHoldingTheWindowAndKeepsTheKeys)
{
    Tplaque plaque(form.get());
    form->SetPlaque(&plaque);
    TCustomSuperAction* fs = form->Action("tafullscreen");

    // Without a video only the command's state changes.
    fs->SetEnabled(true);
    key(Qt::Key_Return, Qt::AltModifier);
    EXPECT_TRUE(fs->Checked());
    EXPECT_FALSE(plaque.isVisible());
    const QString mkv = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(mkv.isEmpty());
    form->OpenPath(mkv);
    ASSERT_TRUE(form->Media()->HasVideo());
    EXPECT_FALSE(plaque.isVisible()); // a video opened later does not enter it
    key(Qt::Key_Return, Qt::AltModifier); // the unseen full screen goes
    EXPECT_FALSE(fs->Checked());

    // The window on the second screen: full screen goes there.
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2);
    form->move(screens[1]->geometry().topLeft() + QPoint(40, 30));
    QApplication::processEvents();
    key(Qt::Key_Return, Qt::AltModifier);
    EXPECT_TRUE(fs->Checked());
    ASSERT_TRUE(plaque.isVisible());
    QTRY_COMPARE(plaque.geometry(), screens[1]->geometry());
    EXPECT_EQ(form->vwEcran->parentWidget(), &plaque);
    EXPECT_EQ(plaque.FrameRect(), form->vwEcran->geometry().adjusted(-4, -4, 4, 4));

    // Keys pressed on the backdrop run the main window's commands.
    QTest::keyClick(&plaque, Qt::Key_Space);
    EXPECT_TRUE(form->Action("taPlayPause")->Checked());
    QTest::keyClick(&plaque, Qt::Key_Space);
    EXPECT_FALSE(form->Action("taPlayPause")->Checked());
    const int panel = form->ActivePanel();
    QTest::keyClick(&plaque, Qt::Key_F6);
    EXPECT_EQ(form->ActivePanel(), panel == 6 ? 0 : panel + 1);
    // A grab in full screen puts its thumbnail on the grab panel, where the
    // normal window shows it.
    QTemporaryDir images;
    ParDossierSave->Value = images.path() + QStringLiteral("/");
    QTest::keyClick(&plaque, Qt::Key_F5);
    EXPECT_EQ(QDir(images.path()).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(form->ActivePanel(), 2);
    const QRect thumb = form->Panel(2)->findChild<QWidget*>(QStringLiteral("Image"))->geometry();
    EXPECT_TRUE(form->Panel(2)->rect().contains(thumb)) << thumb.y();
    QTest::keyClick(&plaque, Qt::Key_Escape);
    EXPECT_FALSE(plaque.isVisible());
    EXPECT_FALSE(fs->Checked());
    EXPECT_EQ(form->vwEcran->parentWidget(), form->Panel1);
    form->SetPlaque(nullptr);
}

TEST_F(WindowLayout, TheWindowStateComesBackAtTheNextStart)
{
    // Left larger than any screen here, on the second one.
    form->setGeometry(3000, 100, 2500, 1600);
    QApplication::processEvents();
    form->ShowPanel(3);
    key(Qt::Key_W, Qt::AltModifier);
    TCustomSuperAction* fs = form->Action("tafullscreen");
    fs->SetEnabled(true);
    key(Qt::Key_Return, Qt::AltModifier); // no video: only the command's state
    form->OptionsFrame()->SetPrefsIndex(smRegistry); // the store kept at exit
    ASSERT_TRUE(form->close());

    form = std::make_unique<TShowForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    // On the second screen, which holds its place, and no larger than it.
    QScreen* second = QGuiApplication::screens().value(1);
    EXPECT_EQ(form->size(), second->availableGeometry().size());
    EXPECT_EQ(QGuiApplication::screenAt(form->geometry().center()), second);
    EXPECT_EQ(form->ActivePanel(), 3);
    EXPECT_TRUE(form->Panel(3)->isVisible());
    EXPECT_EQ(form->Panel(3)->x(), 0);
    EXPECT_EQ(form->Panel1->x(), 284);
    EXPECT_TRUE(form->Action("tafullscreen")->Checked());

    // Reduced at exit: reduced at the next start, the normal size kept.
    resizeTo(1000, 700);
    form->Action("taReduire")->Execute();
    ASSERT_TRUE(form->close());
    EXPECT_TRUE(ParReducedOn->Value);
    EXPECT_EQ(ParMainWidth->Value, 1000);
    form = std::make_unique<TShowForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_TRUE(form->Action("taReduire")->Checked());
    EXPECT_EQ(form->size(), QSize(1000 - 292, 700 - 192));
    form->Action("taReduire")->Execute();
    QApplication::processEvents();
    EXPECT_EQ(form->size(), QSize(1000, 700));
    StoreMode = smNone;
}

TEST_F(WindowLayout, AFileThatCannotBeOpenedIsReportedWithAMailReady)
{
    const QString random = TestMediaPath(QStringLiteral("random.avi"));
    ASSERT_FALSE(random.isEmpty());
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
    TErreurForm erreur;
    form->SetErreurForm(&erreur);
    ParTraiterErreurs->Value = true;

    // The opening works through pending events before it fails: the window
    // is answered once it is up.
    QString shown;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, &erreur, [&] {
        if (!erreur.isVisible()) return;
        answer.stop();
        shown = erreur.Texte->toPlainText();
        erreur.MailClick();
        erreur.Quitter->click();
    });
    answer.start();
    form->OpenPath(random);
    EXPECT_TRUE(shown.startsWith(
        QStringLiteral("Stillex a diagnostiqué des problèmes potentiels sur votre système:")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Le fichier ") + random)) << shown.toStdString();
    ASSERT_EQ(recorder.urls.size(), 1);
    const QUrlQuery fields(recorder.urls[0]);
    const QString body = fields.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
    EXPECT_TRUE(
        body.startsWith(QStringLiteral("L'erreur suivante s'est produite:\r\n\r\nLe fichier ") + random))
        << body.toStdString();
    // The system part: this machine, as the window found it at start.
    EXPECT_TRUE(
        body.endsWith(QStringLiteral("Informations sur le système:\r\n") + TSystemInformation::Text()));
    EXPECT_TRUE(TSystemInformation::Text().contains(QStringLiteral("DirectX version 9.0c. GStreamer 1.")));

    // "Traiter Erreurs" off: the window is never shown.
    ParTraiterErreurs->Value = false;
    const QString last = erreur.Message();
    QObject::connect(&answer, &QTimer::timeout, &erreur, [&] {
        if (!erreur.isVisible()) return;
        ADD_FAILURE() << "shown";
        erreur.reject();
    });
    answer.start();
    form->OpenPath(random);
    QApplication::processEvents();
    EXPECT_EQ(erreur.Message(), last);
    form->SetErreurForm(nullptr);
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
}

#include "WindowLayoutTest.moc"
