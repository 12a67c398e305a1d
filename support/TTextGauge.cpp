#include "support/TTextGauge.h"

#include <QEvent>
#include <QPainter>
#include <QtMath>
#include <climits>
#include <initializer_list>
#include <stdexcept>

namespace
{

// Fills each "%d" of `format` with the next of `values` and turns "%%" into
// "%". Everything else, other '%' sequences included, is copied as it
// stands, so a caption typed by the user can never misbehave.
QString FormatValues(const QString& format, std::initializer_list<qint64> values)
{
    QString out;
    out.reserve(format.size() + 16);
    auto next = values.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'%' && i + 1 < format.size()) {
            const QChar d = format.at(i + 1);
            if (d == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if (d == u'd' && next != values.end()) {
                out += QString::number(*next++);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

[[noreturn]] void ThrowRange(qint64 low, qint64 high)
{
    const QString message
        = FormatValues(QStringLiteral("La valeur doit être comprise entre %d et %d"), { low, high });
    throw std::invalid_argument(message.toStdString());
}

} // namespace

const QColor TTextGauge::AlertColor { 238, 163, 162 };

TTextGauge::TTextGauge(QWidget* parent)
    : QWidget(parent)
{
    // The whole picture is copied from the off-screen image on every paint.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
}

void TTextGauge::Repaint()
{
    ++m_repaints;
    update();
}

TTextGauge::Look TTextGauge::CurrentLook() const
{
    return { Percent(), FillColor(), m_showText ? DisplayText() : QString() };
}

void TTextGauge::SetMinValue(int value)
{
    if (!m_loading && value > m_max) ThrowRange(-qint64(INT_MAX), qint64(m_max) - 1);
    if (value == m_min) return;
    m_min = value;
    if (m_progress < m_min) m_progress = m_min;
    Repaint();
}

void TTextGauge::SetMaxValue(int value)
{
    if (!m_loading && value < m_min) ThrowRange(qint64(m_min) + 1, INT_MAX);
    if (value == m_max) return;
    m_max = value;
    if (m_progress > m_max) m_progress = m_max;
    Repaint();
}

void TTextGauge::SetProgress(int value)
{
    // Bounds may be crossed while loading; the upper one then wins.
    if (value < m_min) value = m_min;
    if (value > m_max) value = m_max;
    if (value == m_progress) return;
    // A frequently fed gauge (volume, load) must not repaint for nothing, but
    // the value texts and the alert colour follow Progress itself, not the
    // percentage, so those changes must show too.
    const Look before = CurrentLook();
    m_progress = value;
    if (CurrentLook() != before) Repaint();
}

void TTextGauge::SetAlertValue(int value)
{
    if (value == m_alert) return;
    m_alert = value;
    Repaint();
}

void TTextGauge::SetGaugeKind(TGaugeKind kind)
{
    if (kind == m_kind) return;
    m_kind = kind;
    Repaint();
}

void TTextGauge::SetTextKind(TGaugeTextKind kind)
{
    if (kind == m_textKind) return;
    m_textKind = kind;
    Repaint();
}

void TTextGauge::SetCaption(const QString& caption)
{
    if (caption == m_caption) return;
    m_caption = caption;
    Repaint();
}

void TTextGauge::SetCustomText(bool custom)
{
    if (custom == m_customText) return;
    m_customText = custom;
    Repaint();
}

void TTextGauge::SetShowText(bool show)
{
    if (show == m_showText) return;
    m_showText = show;
    Repaint();
}

void TTextGauge::SetBorderStyle(TGaugeBorderStyle style)
{
    if (style == m_border) return;
    m_border = style;
    Repaint();
}

void TTextGauge::SetForeColor(const QColor& color)
{
    if (color == m_foreColor) return;
    m_foreColor = color;
    Repaint();
}

void TTextGauge::SetBackColor(const QColor& color)
{
    if (color == m_backColor) return;
    m_backColor = color;
    Repaint();
}

QColor TTextGauge::Color() const
{
    if (m_color) return *m_color;
    if (const QWidget* p = parentWidget()) return p->palette().color(p->backgroundRole());
    return palette().color(QPalette::Window);
}

void TTextGauge::SetColor(const QColor& color)
{
    const QColor before = Color();
    m_color = color;
    if (color != before) Repaint();
}

void TTextGauge::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    if (!m_color && (e->type() == QEvent::ParentChange || e->type() == QEvent::PaletteChange))
        Repaint();
    else if (e->type() == QEvent::FontChange)
        Repaint();
}

int TTextGauge::Percent() const
{
    if (m_max == m_min) return 0;
    // 64 bits: the span of two ints times 100 does not fit in an int.
    const qint64 p = (qint64(m_progress) - m_min) * 100 / (qint64(m_max) - m_min);
    // Inverted bounds can only come from loading; keep the drawing sane.
    return int(qBound(qint64(0), p, qint64(100)));
}

QColor TTextGauge::FillColor() const
{
    const bool done = m_textKind == TGaugeTextKind::PercentDone || m_textKind == TGaugeTextKind::ValueDone;
    const bool normal = done ? m_progress <= m_alert : m_progress >= m_alert;
    return normal ? m_foreColor : AlertColor;
}

QString TTextGauge::DisplayText() const
{
    if (m_customText) return m_caption;
    switch (m_textKind) {
    case TGaugeTextKind::PercentDone:
        return QString::number(Percent()) + u'%';
    case TGaugeTextKind::ValueDone:
        return FormatValues(m_caption, { m_progress });
    case TGaugeTextKind::ValueRemaining:
        return FormatValues(m_caption, { qint64(m_max) - m_progress });
    case TGaugeTextKind::PercentRemaining:
        return QString::number(100 - Percent()) + u'%';
    }
    return {};
}

QImage TTextGauge::Render() const
{
    if (width() <= 0 || height() <= 0) return {};
    // RGB32 so the exclusive-or raster operation of the text is available.
    QImage image(size(), QImage::Format_RGB32);
    Paint(image);
    return image;
}

void TTextGauge::paintEvent(QPaintEvent*)
{
    const QImage image = Render();
    if (image.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

void TTextGauge::Paint(QImage& image) const
{
    QPainter p(&image);
    const QColor fill = FillColor();
    QRect area = image.rect();
    if (m_border == TGaugeBorderStyle::Single) {
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawRect(area.adjusted(0, 0, -1, -1));
        area.adjust(1, 1, -1, -1);
    }
    if (area.isEmpty()) return;
    p.setClipRect(area);
    const int percent = Percent();
    // Shapes are stroked with a one-pixel pen, whose centre lies half a pixel
    // inside the area so the outline stays whole.
    const QRectF inner = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);

    switch (m_kind) {
    case TGaugeKind::Text:
        p.fillRect(area, m_backColor);
        break;
    case TGaugeKind::HorizontalBar: {
        p.fillRect(area, m_backColor);
        const int w = int(qint64(area.width()) * percent / 100);
        if (w >= 1) p.fillRect(QRect(area.left(), area.top(), w, area.height()), fill);
        break;
    }
    case TGaugeKind::VerticalBar: {
        p.fillRect(area, m_backColor);
        const int h = int(qint64(area.height()) * percent / 100);
        if (h >= 1) p.fillRect(QRect(area.left(), area.bottom() - h + 1, area.width(), h), fill);
        break;
    }
    case TGaugeKind::Pie:
        p.fillRect(area, Color());
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(fill);
        p.setBrush(m_backColor);
        p.drawEllipse(inner);
        if (percent > 0) {
            p.setBrush(fill);
            // From twelve o'clock, clockwise (negative spans turn clockwise).
            p.drawPie(inner, 90 * 16, -qRound(percent * 3.6 * 16));
        }
        break;
    case TGaugeKind::Needle: {
        p.fillRect(area, Color());
        p.setRenderHint(QPainter::Antialiasing);
        const qreal radius = qMin(inner.width() / 2, inner.height());
        const QPointF centre(inner.center().x(), inner.bottom());
        const QRectF disc(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        p.setPen(fill);
        p.setBrush(m_backColor);
        // The chord of the upper half is the base line.
        p.drawChord(disc, 0, 180 * 16);
        if (percent > 0) {
            // A one-pixel needle stays crisp without smoothing.
            p.setRenderHint(QPainter::Antialiasing, false);
            const qreal angle = qDegreesToRadians(percent * 1.8);
            p.drawLine(centre, centre + QPointF(-radius * qCos(angle), -radius * qSin(angle)));
        }
        break;
    }
    }

    if (!m_showText) return;
    const QString text = DisplayText();
    if (text.isEmpty()) return;
    // Exclusive or needs solid glyphs: smoothed edges would leave stray
    // colours around the letters.
    QFont f = font();
    f.setStyleStrategy(QFont::NoAntialias);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(f);
    p.setPen(Qt::white);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawText(area, Qt::AlignCenter, text);
}
