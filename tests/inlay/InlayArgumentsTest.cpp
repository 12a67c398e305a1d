// The inlay's arguments and texts, and its panel on its own.

#include "inlay/InlayArguments.h"

#include "inlay/OffsetText.h"
#include "inlay/TIncrusterFrame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QPalette>
#include <QSignalSpy>
#include <QToolButton>
#include <gtest/gtest.h>

TEST(OffsetText, WholeHoursAloneElseEveryField)
{
    EXPECT_EQ(OffsetText(3.0 / 24), QStringLiteral("3 heures"));
    EXPECT_EQ(OffsetText(2.0 / 24), QStringLiteral("2 heures"));
    EXPECT_EQ(OffsetText(26.0 / 24), QStringLiteral("1 jours 02h 00m 00s"));
    EXPECT_EQ(OffsetText(90.0 / 86400), QStringLiteral("0 jours 00h 01m 30s"));
    EXPECT_EQ(OffsetText(1 + 2.0 / 24 + 3.0 / 1440 + 4.0 / 86400), QStringLiteral("1 jours 02h 03m 04s"));
    EXPECT_EQ(OffsetText(0), QStringLiteral("0 heures"));
    // Backwards: every field counts towards zero.
    EXPECT_EQ(OffsetText(-1.0 / 24), QStringLiteral("-1 heures"));
    EXPECT_EQ(OffsetText(-(1 + 1.0 / 24)), QStringLiteral("-1 jours -01h 00m 00s"));
    // A whole number of seconds reached by subtracting two dates reads back
    // as itself; halves go to the even second.
    const double a = 38183 + (14 * 3600 + 23 * 60 + 45) / 86400.0;
    const double b = 38183 + (15 * 3600 + 23 * 60 + 45) / 86400.0;
    EXPECT_EQ(OffsetText(b - a), QStringLiteral("1 heures"));
    EXPECT_EQ(OffsetText(0.5 / 86400), QStringLiteral("0 heures"));
    EXPECT_EQ(OffsetText(1.5 / 86400), QStringLiteral("0 jours 00h 00m 02s"));
    EXPECT_EQ(OffsetText(2.5 / 86400), QStringLiteral("0 jours 00h 00m 02s"));
}

TEST(InlayArguments, SizeBorderAndColour)
{
    TincrustRec rec;
    ApplySizeText(rec, QStringLiteral("14"));
    EXPECT_FALSE(rec.Autofontsize);
    EXPECT_EQ(rec.FontRec.Size, 14);
    // Not a size: only the automatic flag changes.
    ApplySizeText(rec, QStringLiteral("grand"));
    EXPECT_FALSE(rec.Autofontsize);
    EXPECT_EQ(rec.FontRec.Size, 14);
    ApplySizeText(rec, QStringLiteral("0"));
    EXPECT_EQ(rec.FontRec.Size, 14);
    ApplySizeText(rec, QStringLiteral("auto"));
    EXPECT_TRUE(rec.Autofontsize);
    EXPECT_EQ(rec.FontRec.Size, 14);

    EXPECT_EQ(SizeListTextOf(QStringLiteral(" AUTO ")), QStringLiteral("auto"));
    EXPECT_EQ(SizeListTextOf(QStringLiteral(" 36")), QStringLiteral("36"));
    EXPECT_FALSE(SizeListTextOf(QStringLiteral("-3")));
    EXPECT_FALSE(SizeListTextOf(QStringLiteral("0")));
    EXPECT_FALSE(SizeListTextOf(QStringLiteral("12pt")));
    EXPECT_FALSE(SizeListTextOf(QString()));

    EXPECT_EQ(BorderSizeOf(QStringLiteral("3")), 3);
    EXPECT_EQ(BorderSizeOf(QStringLiteral("250")), 250); // kept; the drawing bounds it
    EXPECT_EQ(BorderSizeOf(QStringLiteral("$10")), 16);
    EXPECT_EQ(BorderSizeOf(QStringLiteral("deux")), 0);
    EXPECT_EQ(BorderSizeOf(QStringLiteral("99999999999")), 0);
    EXPECT_EQ(BorderCaption(0), QString());
    EXPECT_EQ(BorderCaption(-2), QString());
    EXPECT_EQ(BorderCaption(4), QStringLiteral("4"));

    uint32_t c = 1;
    EXPECT_TRUE(NamedColor(QStringLiteral("clBlack"), c));
    EXPECT_EQ(c, 0u);
    EXPECT_TRUE(NamedColor(QStringLiteral(" CLSKYBLUE "), c));
    EXPECT_EQ(c, 15780518u);
    EXPECT_TRUE(NamedColor(QStringLiteral("clMedGray"), c));
    EXPECT_EQ(c, 10789024u);
    EXPECT_TRUE(NamedColor(QStringLiteral("$FF00"), c));
    EXPECT_EQ(c, 0xFF00u);
    EXPECT_TRUE(NamedColor(QStringLiteral("0x0000ff"), c));
    EXPECT_EQ(c, 0xFFu);
    EXPECT_TRUE(NamedColor(QStringLiteral("255"), c));
    EXPECT_EQ(c, 255u);
    EXPECT_FALSE(NamedColor(QStringLiteral("rouge"), c));
    EXPECT_FALSE(NamedColor(QStringLiteral("$"), c));
    EXPECT_FALSE(NamedColor(QStringLiteral("--5"), c));
    EXPECT_EQ(ColorNames().size(), 20);
}

TEST(IncrusterFrame, RefreshSendsNothingAndFontsResolveAsTheDesktopDoes)
{
    TIncrusterFrame panel(nullptr);
    QSignalSpy font(&panel, &TIncrusterFrame::fontChosen);
    QSignalSpy size(&panel, &TIncrusterFrame::sizeChosen);
    QSignalSpy format(&panel, &TIncrusterFrame::formatEdited);
    QSignalSpy text(&panel, &TIncrusterFrame::templateEdited);
    TincrustRec rec;
    rec.Alignement = 3;
    rec.Autofontsize = false;
    rec.FontRec.Size = 18;
    rec.FontRec.Bold = true;
    rec.FontRec.Color = 255;
    rec.BorderSize = 0;
    rec.FormatDate1 = QStringLiteral("hh:nn");
    rec.Incrust2 = QStringLiteral("%d / %t");
    panel.tbSousTitre->setChecked(false);
    panel.Refresh(rec);
    EXPECT_EQ(font.count() + size.count() + format.count() + text.count(), 0);
    for (QAbstractButton* b : { panel.tbGauche, panel.tbCentre, panel.tbDroite })
        EXPECT_FALSE(b->isChecked());
    EXPECT_EQ(panel.cbSize->currentText(), QStringLiteral("18"));
    EXPECT_TRUE(panel.tbBold->isChecked());
    EXPECT_EQ(panel.Color(), 255u);
    EXPECT_EQ(panel.BorderButton->text(), QString());
    EXPECT_EQ(panel.cbDatecode1->currentText(), QStringLiteral("hh:nn"));
    EXPECT_EQ(panel.edPerso2->text(), QStringLiteral("%d / %t"));
    rec.Alignement = 0;
    rec.Autofontsize = true;
    panel.Refresh(rec);
    EXPECT_TRUE(panel.tbGauche->isChecked());
    EXPECT_EQ(panel.cbSize->currentText(), QStringLiteral("auto"));

    // Typing is a change.
    panel.edPerso1->setText(QStringLiteral("x"));
    EXPECT_EQ(text.count(), 1);

    // Any case; a name the desktop knows nothing of changes nothing.
    const QString first = panel.FontComboBox->itemText(0);
    ASSERT_TRUE(panel.SelectFont(first.toUpper()));
    EXPECT_EQ(panel.CurrentFont(), first);
    EXPECT_FALSE(panel.SelectFont(QStringLiteral("No Such Face At All")));
    EXPECT_EQ(panel.CurrentFont(), first);
    // "Arial" is drawn in its metric twin where one is installed.
    const QString arial = QFontInfo(QFont(QStringLiteral("Arial"))).family();
    if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans"))) {
        EXPECT_EQ(arial, QStringLiteral("Liberation Sans"));
        EXPECT_TRUE(panel.SelectFont(QStringLiteral("Arial")));
        EXPECT_EQ(panel.CurrentFont(), QStringLiteral("Liberation Sans"));
    }

    uint32_t c = 0;
    ASSERT_TRUE(TIncrusterFrame::SystemColor(QStringLiteral("clHighlight"), c));
    const QColor h = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    EXPECT_EQ(c, uint32_t(h.red()) | uint32_t(h.green()) << 8 | uint32_t(h.blue()) << 16);
    EXPECT_TRUE(TIncrusterFrame::SystemColor(QStringLiteral("windowtext"), c));
    EXPECT_FALSE(TIncrusterFrame::SystemColor(QStringLiteral("clNoSuchRole"), c));
    EXPECT_FALSE(TIncrusterFrame::SystemColor(QStringLiteral("NColorRoles"), c));
}
