// The help panel and the shortcuts window from the main window, on a real
// file: F1 and its pages, the live measurements, F11, sorting, the close
// box and a double click that steps the video.

#include "app/TShowForm.h"
#include "automation/KeyCodes.h"
#include "automation/TActionList.h"
#include "automation/TCustomSuperAction.h"
#include "automation/TRaccourcisForm.h"
#include "platform/TDriveSpace.h"
#include "prefs/Preferences.h"
#include "prefs/TWideStringParameter.h"
#include "support/THelpFrame.h"
#include "support/TLinkEdit.h"
#include "support/TTextGauge.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TestMedia.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{
class HelpWindow : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        shortcuts = std::make_unique<TRaccourcisForm>();
        form->SetRaccourcisForm(shortcuts.get());
    }
    void TearDown() override
    {
        shortcuts.reset();
        MainWindowFixture::TearDown();
    }
    bool key(uint16_t code) { return form->al()->DispatchKey(code); }
    bool checked() const { return form->Action("taraccourcis")->Checked(); }
    static void wait(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    std::unique_ptr<TRaccourcisForm> shortcuts;
};
} // namespace

TEST_F(HelpWindow, F1ShowsHelpThenLiveMeasuresOnTheCpuPage)
{
    ASSERT_TRUE(key(KeyCodes::F(1)));
    THelpFrame* help = form->HelpFrame();
    ASSERT_TRUE(help->isVisible());
    EXPECT_EQ(help->Pages->currentIndex(), THelpFrame::HelpPage);
    EXPECT_TRUE(help->HelpText->toPlainText().startsWith(QStringLiteral("Aide sur Stillex")));
    EXPECT_FALSE(help->CpuTimer->isActive());
    // The free space was read at start already.
    const TDriveSpace space = TDriveSpace::Of(ParDossierSave->Value);
    ASSERT_GT(space.TotalBytes, 0);
    EXPECT_EQ(help->SpaceGauge->MaxValue(), int(space.TotalBytes >> 20));

    help->HelpText->OnCustomLinkClick(QStringLiteral("Filtres"));
    EXPECT_EQ(help->Pages->currentIndex(), THelpFrame::InstallPage);
    help->Pages->setCurrentIndex(THelpFrame::CpuPage);
    ASSERT_TRUE(help->CpuTimer->isActive());
    wait(1300);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+ - \\d+$")).match(help->CpuLabel->text()).hasMatch())
        << help->CpuLabel->text().toStdString();
    const int freeMb = help->SpaceLabel->text().section(' ', 0, 0).toInt();
    EXPECT_TRUE(help->SpaceLabel->text().endsWith(QStringLiteral(" Mo")));
    EXPECT_NEAR(freeMb, int(TDriveSpace::Of(ParDossierSave->Value).FreeBytes >> 20), 64);
    EXPECT_FALSE(help->FilterList->toPlainText().isEmpty());

    // Another panel: nothing more is sampled.
    ASSERT_TRUE(form->Action("saOptionsFrame")->Execute());
    EXPECT_FALSE(help->CpuTimer->isActive());
    EXPECT_FALSE(help->SpaceTimer->isActive());

    // The help's "F11" link shows the shortcuts.
    help->HelpText->OnCustomLinkClick(QStringLiteral("F11"));
    EXPECT_TRUE(shortcuts->isVisible());
    EXPECT_TRUE(checked());
}

TEST_F(HelpWindow, F11ShortcutsSortDoubleClickAndCloseBox)
{
    const QString path = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(path.isEmpty());
    form->OpenPath(path);
    ASSERT_TRUE(form->Media()->HasVideo());
    form->TakeSnapshot();
    ASSERT_EQ(FrameNumberIn(form->SourceFrame()), 0);

    ASSERT_EQ(shortcuts->Grid->rowCount(), 86);
    ASSERT_TRUE(key(KeyCodes::F(11)));
    ASSERT_TRUE(shortcuts->isVisible());
    EXPECT_TRUE(checked());

    // Sorted by key, the choice kept with the preferences.
    QHeaderView* header = shortcuts->Grid->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
        QPoint(header->sectionViewportPosition(1) + 10, header->height() / 2));
    EXPECT_EQ(ParRaccourcisSort->Value, 1);
    EXPECT_EQ(shortcuts->SortColumn(), 1);

    int row = -1;
    for (int r = 0; r < shortcuts->Grid->rowCount(); ++r)
        if (shortcuts->Grid->item(r, 0)->text() == QStringLiteral("Avancer d'une image")) row = r;
    ASSERT_GE(row, 0);
    // The window was just shown: its grid is laid out before it scrolls.
    wait(100);
    shortcuts->Grid->scrollToItem(shortcuts->Grid->item(row, 0));
    wait(100);
    ASSERT_EQ(
        shortcuts->Grid->itemAt(shortcuts->Grid->visualItemRect(shortcuts->Grid->item(row, 0)).center()),
        shortcuts->Grid->item(row, 0));
    // A double click as the platform delivers it: a click, then the second
    // press that makes it double.
    const QPoint cell = shortcuts->Grid->visualItemRect(shortcuts->Grid->item(row, 0)).center();
    QTest::mouseClick(shortcuts->Grid->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(shortcuts->Grid->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(form->CurrentEdit->text(), QStringLiteral("0:00:00:01"));
    form->TakeSnapshot();
    EXPECT_EQ(FrameNumberIn(form->SourceFrame()), 1);

    // The close box hides the window and unchecks the command; F11 brings
    // it back, F11 again hides it.
    shortcuts->close();
    EXPECT_FALSE(shortcuts->isVisible());
    EXPECT_FALSE(checked());
    ASSERT_TRUE(key(KeyCodes::F(11)));
    EXPECT_TRUE(shortcuts->isVisible());
    EXPECT_TRUE(checked());
    ASSERT_TRUE(key(KeyCodes::F(11)));
    EXPECT_FALSE(shortcuts->isVisible());
    EXPECT_FALSE(checked());
}
