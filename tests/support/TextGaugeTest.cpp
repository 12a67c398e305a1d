#include "support/TTextGauge.h"

#include <climits>
#include <gtest/gtest.h>
#include <stdexcept>

namespace
{

QColor At(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

int CountColour(const QImage& image, const QColor& colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

QString BoundError(TTextGauge& gauge, bool min, int value)
{
    try {
        min ? gauge.SetMinValue(value) : gauge.SetMaxValue(value);
    } catch (const std::invalid_argument& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace

TEST(TextGauge, DefaultsClampingAndBounds)
{
    TTextGauge g;
    EXPECT_EQ(g.size(), QSize(100, 100));
    EXPECT_EQ(g.GaugeKind(), TGaugeKind::HorizontalBar);
    EXPECT_EQ(g.TextKind(), TGaugeTextKind::ValueDone);
    EXPECT_EQ(g.ForeColor(), QColor(192, 220, 192));

    g.SetProgress(150);
    EXPECT_EQ(g.Progress(), 100);
    g.SetProgress(-5);
    EXPECT_EQ(g.Progress(), 0);

    g.SetProgress(40);
    EXPECT_EQ(
        BoundError(g, true, 101), QStringLiteral("La valeur doit être comprise entre -2147483647 et 99"));
    EXPECT_EQ(g.MinValue(), 0);
    EXPECT_EQ(BoundError(g, false, -1), QStringLiteral("La valeur doit être comprise entre 1 et 2147483647"));
    EXPECT_EQ(g.MaxValue(), 100);

    g.SetMinValue(50); // Progress follows the bounds
    EXPECT_EQ(g.Progress(), 50);
    g.SetMinValue(0);
    g.SetMaxValue(30);
    EXPECT_EQ(g.Progress(), 30);

    g.SetLoading(true); // no cross-check while loading
    EXPECT_NO_THROW(g.SetMinValue(200));
    EXPECT_EQ(g.MinValue(), 200);
    g.SetLoading(false);

    // The widest span does not overflow.
    g.SetMaxValue(INT_MAX);
    g.SetMinValue(-INT_MAX);
    g.SetProgress(INT_MAX);
    EXPECT_EQ(g.Percent(), 100);
    g.SetTextKind(TGaugeTextKind::ValueRemaining);
    EXPECT_EQ(g.DisplayText(), QStringLiteral("0"));
    g.SetProgress(0);
    EXPECT_EQ(g.Percent(), 50);
}

TEST(TextGauge, BarsAndEqualBounds)
{
    TTextGauge g;
    g.SetShowText(false);
    g.SetProgress(50);
    QImage img = g.Render();
    // Area 98 wide inside the frame: 49 filled columns from the left.
    EXPECT_EQ(At(img, 0, 50), QColor(Qt::black));
    EXPECT_EQ(At(img, 49, 50), g.ForeColor());
    EXPECT_EQ(At(img, 50, 50), g.BackColor());

    g.SetGaugeKind(TGaugeKind::VerticalBar);
    img = g.Render();
    EXPECT_EQ(At(img, 50, 98), g.ForeColor());
    EXPECT_EQ(At(img, 50, 50), g.ForeColor());
    EXPECT_EQ(At(img, 50, 49), g.BackColor());

    g.SetGaugeKind(TGaugeKind::HorizontalBar);
    g.SetMinValue(50);
    g.SetMaxValue(50);
    EXPECT_EQ(g.Percent(), 0);
    EXPECT_EQ(CountColour(g.Render(), g.ForeColor()), 0);
}

TEST(TextGauge, PieFillsClockwiseFromTop)
{
    TTextGauge g;
    g.SetGaugeKind(TGaugeKind::Pie);
    g.SetColor(Qt::blue);
    g.SetProgress(25);
    const QImage img = g.Render();
    EXPECT_EQ(At(img, 2, 2), QColor(Qt::blue));
    EXPECT_EQ(At(img, 70, 30), g.ForeColor()); // upper right
    EXPECT_EQ(At(img, 30, 30), g.BackColor()); // upper left
    EXPECT_EQ(At(img, 30, 70), g.BackColor());
    EXPECT_EQ(At(img, 70, 70), g.BackColor());

    g.SetGaugeKind(TGaugeKind::Needle);
    g.SetProgress(50); // straight up
    const QImage needle = g.Render();
    EXPECT_EQ(At(needle, 50, 70), g.ForeColor());
    EXPECT_EQ(At(needle, 40, 70), g.BackColor());
    EXPECT_EQ(At(needle, 2, 2), QColor(Qt::blue));
}

TEST(TextGauge, AlertColour)
{
    TTextGauge g;
    g.SetAlertValue(81);
    g.SetTextKind(TGaugeTextKind::PercentDone);
    g.SetProgress(81);
    EXPECT_EQ(g.FillColor(), g.ForeColor());
    g.SetProgress(82);
    EXPECT_EQ(g.FillColor(), TTextGauge::AlertColor);
    EXPECT_EQ(TTextGauge::AlertColor, QColor(238, 163, 162));

    g.SetTextKind(TGaugeTextKind::PercentRemaining);
    EXPECT_EQ(g.FillColor(), g.ForeColor());
    g.SetProgress(81);
    EXPECT_EQ(g.FillColor(), g.ForeColor());
    g.SetProgress(80);
    EXPECT_EQ(g.FillColor(), TTextGauge::AlertColor);
}

TEST(TextGauge, RepaintsOnlyWhenTheLookChanges)
{
    TTextGauge g;
    g.SetMaxValue(1000);
    g.SetTextKind(TGaugeTextKind::PercentDone);
    g.SetProgress(10);
    int n = g.RepaintCount();
    g.SetProgress(11); // still 1%
    EXPECT_EQ(g.RepaintCount(), n);
    g.SetProgress(20);
    EXPECT_EQ(g.RepaintCount(), ++n);
    g.SetForeColor(g.ForeColor());
    EXPECT_EQ(g.RepaintCount(), n);

    // The shown value follows Progress itself, so it must repaint.
    g.SetTextKind(TGaugeTextKind::ValueDone);
    n = g.RepaintCount();
    g.SetProgress(21);
    EXPECT_EQ(g.RepaintCount(), n + 1);
}

TEST(TextGauge, TextsAndXorDrawing)
{
    TTextGauge g;
    g.SetProgress(25);
    g.SetCaption(QStringLiteral("%d Mo %s %%"));
    EXPECT_EQ(g.DisplayText(), QStringLiteral("25 Mo %s %"));
    g.SetTextKind(TGaugeTextKind::ValueRemaining);
    EXPECT_EQ(g.DisplayText(), QStringLiteral("75 Mo %s %"));
    g.SetTextKind(TGaugeTextKind::PercentDone);
    EXPECT_EQ(g.DisplayText(), QStringLiteral("25%"));
    g.SetTextKind(TGaugeTextKind::PercentRemaining);
    EXPECT_EQ(g.DisplayText(), QStringLiteral("75%"));
    g.SetCustomText(true);
    EXPECT_EQ(g.DisplayText(), QStringLiteral("%d Mo %s %%"));

    // White text by exclusive or: black on white, inverted fill on the bar.
    g.SetCustomText(false);
    g.SetProgress(50);
    g.SetTextKind(TGaugeTextKind::PercentDone);
    g.SetCaption(QStringLiteral("%d"));
    const QImage img = g.Render();
    const QColor inverted(255 - 192, 255 - 220, 255 - 192);
    EXPECT_GT(CountColour(img, Qt::black), 4 * 99); // beyond the frame
    EXPECT_GT(CountColour(img, inverted), 0);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            ASSERT_TRUE(c == Qt::black || c == Qt::white || c == g.ForeColor() || c == inverted)
                << x << "," << y;
        }
}
