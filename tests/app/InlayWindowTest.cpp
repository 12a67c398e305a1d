// The inlay from the main window: the panel's controls and the commands with
// their arguments reach the record and the compositor, the position sliders,
// the time offset, and the keys typed into the panel's text fields.

#include "app/TShowForm.h"
#include "app/Tnav_fileframe.h"
#include "automation/CommandContext.h"
#include "automation/TCustomSuperAction.h"
#include "automation/TtoggleAction.h"
#include "inlay/TIncrusterFrame.h"
#include "prefs/Preferences.h"
#include "prefs/TincrustRecParameter.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/TestMedia.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace
{
class InlayWindow : public MainWindowFixture
{
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        panel = form->IncrusterFrame();
        form->ShowPanel(3);
    }
    bool run(const char* name, const QString& argument)
    {
        CommandArguments = QStringList { argument };
        return form->Action(name)->RunHandler(form.get());
    }
    // From the window: no argument, the panel's value.
    bool click(const char* name)
    {
        CommandArguments.clear();
        return form->Action(name)->Execute();
    }
    TincrustRec& rec() const { return ParIncrustRec->Value; }
    TincrustRec drawn() const { return form->Media()->Superposer.Settings(); }
    TInlayLines lines() const { return form->Media()->Superposer.LastLines(); }
    void openDv()
    {
        const QString dv = TestMediaPath(QStringLiteral("dv-pal-4x3.dv"));
        ASSERT_FALSE(dv.isEmpty());
        form->OpenPath(dv);
        ASSERT_TRUE(form->Media()->HasVideo());
    }

    TIncrusterFrame* panel = nullptr;
};
} // namespace

TEST_F(InlayWindow, ControlsAndCommandsReachTheRecordAndTheCompositor)
{
    openDv();
    ASSERT_TRUE(click("saIncrustDatecode"));
    ASSERT_TRUE(form->InlayOn);
    EXPECT_EQ(lines().Line1, QStringLiteral("jeudi 15 juillet 2004"));

    // Sizes: a typed size turns the automatic size off, a word changes only that.
    ASSERT_TRUE(run("taFontsize", QStringLiteral("36")));
    EXPECT_FALSE(rec().Autofontsize);
    EXPECT_EQ(drawn().FontRec.Size, 36);
    EXPECT_EQ(panel->cbSize->currentText(), QStringLiteral("36"));
    rec().Autofontsize = true;
    ASSERT_TRUE(run("taFontsize", QStringLiteral("énorme")));
    EXPECT_EQ(panel->cbSize->currentText(), QStringLiteral("36"));
    EXPECT_FALSE(drawn().Autofontsize);
    ASSERT_TRUE(run("taFontsize", QStringLiteral(" AUTO ")));
    EXPECT_TRUE(drawn().Autofontsize);
    EXPECT_EQ(panel->cbSize->currentText(), QStringLiteral("auto"));
    panel->cbSize->setCurrentText(QStringLiteral("14")); // typed into the list
    EXPECT_FALSE(drawn().Autofontsize);
    EXPECT_EQ(drawn().FontRec.Size, 14);

    // Colours: names, numbers, the desktop's own, white for the rest.
    ASSERT_TRUE(run("saFontColor", QStringLiteral("clRed")));
    EXPECT_EQ(drawn().FontRec.Color, 255u);
    EXPECT_EQ(panel->Color(), 255u);
    ASSERT_TRUE(run("saFontColor", QStringLiteral("$FF00")));
    EXPECT_EQ(drawn().FontRec.Color, 0xFF00u);
    uint32_t highlight = 0;
    ASSERT_TRUE(TIncrusterFrame::SystemColor(QStringLiteral("Highlight"), highlight));
    ASSERT_TRUE(run("saFontColor", QStringLiteral("clHighlight")));
    EXPECT_EQ(drawn().FontRec.Color, highlight);
    ASSERT_TRUE(run("saFontColor", QStringLiteral("bleu nuit")));
    EXPECT_EQ(drawn().FontRec.Color, 16777215u);
    panel->OnPickColor = [](uint32_t) { return std::optional<uint32_t>(0x123456); };
    panel->ColorButton->click();
    EXPECT_EQ(drawn().FontRec.Color, 0x123456u);

    // Border: any whole number is kept, the caption follows.
    ASSERT_TRUE(run("saBorderSize", QStringLiteral("9")));
    EXPECT_EQ(drawn().BorderSize, 9);
    EXPECT_EQ(panel->BorderButton->text(), QStringLiteral("9"));
    ASSERT_TRUE(run("saBorderSize", QStringLiteral("gros")));
    EXPECT_EQ(drawn().BorderSize, 0);
    EXPECT_EQ(panel->BorderButton->text(), QString());
    panel->BorderMenu->actions().at(3)->trigger();
    EXPECT_EQ(drawn().BorderSize, 3);
    EXPECT_EQ(panel->BorderButton->text(), QStringLiteral("3"));

    // Style: the commands and the buttons are one state.
    ASSERT_TRUE(click("taBold"));
    EXPECT_TRUE(drawn().FontRec.Bold);
    EXPECT_TRUE(panel->tbBold->isChecked());
    EXPECT_TRUE(form->Action("taBold")->Checked());
    panel->tbBold->click();
    EXPECT_FALSE(drawn().FontRec.Bold);
    EXPECT_FALSE(form->Action("taBold")->Checked());
    panel->tbItalic->click();
    EXPECT_TRUE(drawn().FontRec.Italic);
    EXPECT_TRUE(form->Action("taItalic")->Checked());

    // Fonts: any case; one not installed keeps the current one.
    const QString other = panel->FontComboBox->itemText(panel->FontComboBox->count() - 1);
    ASSERT_TRUE(run("saIncrustFont", other.toLower()));
    EXPECT_EQ(drawn().FontRec.Name, other);
    ASSERT_TRUE(run("saIncrustFont", QStringLiteral("Police Imaginaire")));
    EXPECT_EQ(drawn().FontRec.Name, other);

    // Formats and templates, from the commands and typed.
    ASSERT_TRUE(run("saFormatDatecode1", QStringLiteral("d mmmm yyyy")));
    EXPECT_EQ(panel->cbDatecode1->currentText(), QStringLiteral("d mmmm yyyy"));
    EXPECT_EQ(lines().Line1, QStringLiteral("15 juillet 2004"));
    panel->cbDatecode2->setCurrentText(QStringLiteral("hh'h'nn"));
    EXPECT_EQ(lines().Line2, QStringLiteral("14h23"));
    ASSERT_TRUE(click("saIncrustPerso"));
    ASSERT_TRUE(run("saPerso1", QStringLiteral("%d / %t")));
    EXPECT_EQ(panel->edPerso1->text(), QStringLiteral("%d / %t"));
    EXPECT_EQ(lines().Line1, QStringLiteral("15 juillet 2004 / 10:20:30:00"));
    panel->edPerso2->setText(QStringLiteral("bande 3"));
    EXPECT_EQ(lines().Line2, QStringLiteral("bande 3"));
    // The offset only makes sense for dates.
    EXPECT_FALSE(panel->btnDecalage->isEnabled());
    ASSERT_TRUE(click("saIncrustReel"));
    EXPECT_TRUE(panel->btnDecalage->isEnabled());

    // Néant switches off and keeps the kind, a kind button switches on.
    panel->btnNeant->click();
    EXPECT_FALSE(form->InlayOn);
    EXPECT_EQ(rec().WhatIncrust, 3);
    panel->btnTimecode->click();
    EXPECT_TRUE(form->InlayOn);
    EXPECT_EQ(drawn().WhatIncrust, 1);
}

TEST_F(InlayWindow, SlidersMoveTheInlayAndTheSubtitleIsCentred)
{
    openDv();
    ASSERT_FALSE(form->InlayOn);
    ASSERT_TRUE(click("taSliders"));
    EXPECT_TRUE(form->Xslider->isVisible());
    EXPECT_TRUE(form->Yslider->isVisible());
    EXPECT_FALSE(form->NavBar->isVisible());
    EXPECT_TRUE(form->InlayOn); // nothing to place otherwise
    EXPECT_EQ(form->Xslider->maximum(), 970);
    EXPECT_EQ(form->Xslider->value(), 914);
    EXPECT_EQ(form->Yslider->value(), 930 - 914);

    form->Xslider->setValue(300);
    EXPECT_EQ(rec().Xpos, 300);
    EXPECT_EQ(form->Media()->Superposer.XPermille(), 300);
    form->Yslider->setValue(930);
    EXPECT_EQ(rec().Ypos, 0);
    EXPECT_EQ(form->Media()->Superposer.YPermille(), 0);
    form->Yslider->setValue(0);
    EXPECT_EQ(form->Media()->Superposer.YPermille(), 930);

    panel->tbSousTitre->click();
    EXPECT_EQ(drawn().Alignement, 3);
    EXPECT_EQ(form->Xslider->value(), 500);
    for (QAbstractButton* b : { panel->tbGauche, panel->tbCentre, panel->tbDroite })
        EXPECT_FALSE(b->isChecked());
    // Moved afterwards, the inlay is centred on the slider's position.
    form->Xslider->setValue(450);
    EXPECT_EQ(drawn().Alignement, 1);
    EXPECT_EQ(drawn().Xpos, 450);
    EXPECT_TRUE(panel->tbCentre->isChecked());
    ASSERT_TRUE(click("saAlignerGauche"));
    EXPECT_EQ(drawn().Alignement, 0);
    EXPECT_TRUE(panel->tbGauche->isChecked());
    panel->tbDroite->click();
    EXPECT_EQ(drawn().Alignement, 2);

    ASSERT_TRUE(click("taSliders"));
    EXPECT_FALSE(form->Xslider->isVisible());
    EXPECT_TRUE(form->NavBar->isVisible());

    // A stored record comes back into the panel and the sliders as it is.
    TincrustRec stored;
    stored.Alignement = 3;
    stored.Xpos = 120;
    stored.Ypos = 30;
    stored.WhatIncrust = 1;
    stored.DecalageHoraire = 26.0 / 24;
    form->RefreshInlayPanel(stored);
    for (QAbstractButton* b : { panel->tbGauche, panel->tbCentre, panel->tbDroite })
        EXPECT_FALSE(b->isChecked());
    EXPECT_EQ(form->Xslider->value(), 120);
    EXPECT_EQ(form->Yslider->value(), 900);
    EXPECT_EQ(panel->labDecalage->text(), QStringLiteral("1 jours 02h 00m 00s"));
    EXPECT_FALSE(panel->btnDecalage->isEnabled());
    EXPECT_EQ(rec().Xpos, 450); // shown, not applied
}

TEST_F(InlayWindow, AnHourOfOffsetMovesTheRecordingDateAndResetTakesItBack)
{
    // Without a recording date, the datecode kind has nothing to offset.
    const QString mkv = TestMediaPath(QStringLiteral("h264-320x240.mkv"));
    ASSERT_FALSE(mkv.isEmpty());
    form->OpenPath(mkv);
    ASSERT_TRUE(click("saIncrustDatecode"));
    ASSERT_TRUE(click("taDecalage"));
    EXPECT_FALSE(form->Action("taDecalage")->Checked());
    EXPECT_FALSE(panel->DecalagePanel->isVisible());

    openDv();
    ASSERT_TRUE(click("saIncrustDatecode"));
    ASSERT_EQ(lines().Line2, QStringLiteral("14:23:45"));
    panel->btnDecalage->click();
    EXPECT_TRUE(form->Action("taDecalage")->Checked());
    EXPECT_TRUE(panel->DecalagePanel->isVisible());
    EXPECT_TRUE(panel->labAncienneDate->text().startsWith(QStringLiteral("Ancienne date: ")));
    EXPECT_TRUE(panel->labAncienneDate->text().contains(QStringLiteral("14:23:45")))
        << panel->labAncienneDate->text().toStdString();
    EXPECT_EQ(panel->deDate->date(), QDate(2004, 7, 15));
    EXPECT_EQ(panel->seHeures->value(), 14);
    EXPECT_EQ(panel->seMinutes->value(), 23);
    EXPECT_EQ(panel->seSecondes->value(), 45);
    EXPECT_EQ(rec().DecalageHoraire, 0.0);

    panel->seHeures->setValue(15);
    EXPECT_EQ(panel->labDecalage->text(), QStringLiteral("1 heures"));
    EXPECT_NEAR(drawn().DecalageHoraire, 1.0 / 24, 1e-9);
    EXPECT_EQ(lines().Line2, QStringLiteral("15:23:45"));
    EXPECT_EQ(lines().Line1, QStringLiteral("jeudi 15 juillet 2004"));
    // The timecode is the tape's, not a date: it does not move.
    ASSERT_TRUE(click("saIncrustTimecode"));
    EXPECT_EQ(lines().Line2, QStringLiteral("10:20:30:00"));
    ASSERT_TRUE(click("saIncrustDatecode"));
    panel->deDate->setDate(QDate(2004, 7, 16));
    EXPECT_EQ(panel->labDecalage->text(), QStringLiteral("1 jours 01h 00m 00s"));
    EXPECT_EQ(lines().Line1, QStringLiteral("vendredi 16 juillet 2004"));

    panel->btnReset->click();
    EXPECT_EQ(drawn().DecalageHoraire, 0.0);
    EXPECT_EQ(panel->labDecalage->text(), QString());
    EXPECT_EQ(lines().Line2, QStringLiteral("14:23:45"));
    ASSERT_TRUE(click("taDecalage"));
    EXPECT_FALSE(panel->DecalagePanel->isVisible());
}

TEST_F(InlayWindow, KeysTypedIntoTheTextFieldsAreText)
{
    openDv();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    TCustomSuperAction* play = form->Action("taPlayPause");
    TCustomSuperAction* up = form->Action("saIncVolume");
    const uint16_t playKey = play->ShortCut();
    const uint16_t upKey = up->ShortCut();
    ASSERT_NE(playKey, 0);
    ASSERT_FALSE(up->SecondaryShortcuts().isEmpty());

    panel->edPerso1->clear();
    panel->edPerso1->setFocus();
    ASSERT_TRUE(panel->edPerso1->hasFocus());
    EXPECT_EQ(play->ShortCut(), 0);
    EXPECT_EQ(up->ShortCut(), 0);
    EXPECT_TRUE(up->SecondaryShortcuts().isEmpty());
    QTest::keyClicks(panel->edPerso1, QStringLiteral("a b+c"));
    QTest::keyClick(panel->edPerso1, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(panel->edPerso1->text(), QStringLiteral("a b+c+"));
    EXPECT_FALSE(form->Action("taPlayPause")->Checked()); // nothing played
    EXPECT_EQ(rec().Incrust1, QStringLiteral("a b+c+"));

    panel->cbDatecode1->lineEdit()->setFocus();
    EXPECT_EQ(play->ShortCut(), 0);
    QTest::keyClicks(panel->cbDatecode1->lineEdit(), QStringLiteral(" x"));
    EXPECT_TRUE(panel->cbDatecode1->currentText().endsWith(QLatin1String(" x")));
    panel->FontComboBox->setFocus();
    EXPECT_EQ(play->ShortCut(), playKey);
    EXPECT_EQ(up->ShortCut(), upKey);
    EXPECT_FALSE(up->SecondaryShortcuts().isEmpty());
}
