#pragma once
// A small gauge showing a value between two bounds as a bar, a pie or a
// needle, with a centred text drawn by exclusive or so it reads over both the
// fill and the background. The fill switches to an alert colour when the
// value crosses a threshold (upwards for the "done" texts, downwards for the
// "remaining" ones).

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>
#include <optional>

enum class TGaugeKind { Text, HorizontalBar, VerticalBar, Pie, Needle };
enum class TGaugeTextKind { PercentDone, ValueDone, ValueRemaining, PercentRemaining };
enum class TGaugeBorderStyle { None, Single };

class TTextGauge : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(int Progress READ Progress WRITE SetProgress)
    Q_PROPERTY(int AlertValue READ AlertValue WRITE SetAlertValue)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool customText READ customText WRITE SetCustomText)
    Q_PROPERTY(bool ShowText READ ShowText WRITE SetShowText)
    Q_PROPERTY(QColor ForeColor READ ForeColor WRITE SetForeColor)
    Q_PROPERTY(QColor BackColor READ BackColor WRITE SetBackColor)
    Q_PROPERTY(QColor Color READ Color WRITE SetColor)
public:
    static const QColor AlertColor;

    explicit TTextGauge(QWidget* parent = nullptr);

    // While a window is being loaded its properties arrive in any order, so
    // the bounds are not checked against each other.
    bool Loading() const { return m_loading; }
    void SetLoading(bool loading) { m_loading = loading; }

    int MinValue() const { return m_min; }
    // Throws std::invalid_argument (French message) when not loading and
    // `value` is above MaxValue; nothing is changed then.
    void SetMinValue(int value);
    int MaxValue() const { return m_max; }
    // Throws std::invalid_argument when not loading and `value` is below
    // MinValue; nothing is changed then.
    void SetMaxValue(int value);
    int Progress() const { return m_progress; }
    // Clamped to the bounds.
    void SetProgress(int value);
    int AlertValue() const { return m_alert; }
    void SetAlertValue(int value);

    TGaugeKind GaugeKind() const { return m_kind; }
    void SetGaugeKind(TGaugeKind kind);
    TGaugeTextKind TextKind() const { return m_textKind; }
    void SetTextKind(TGaugeTextKind kind);
    // Format of the value texts (each "%d" takes the value, "%%" gives "%"),
    // or the text itself when customText is set.
    const QString& Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    bool customText() const { return m_customText; }
    void SetCustomText(bool custom);
    bool ShowText() const { return m_showText; }
    void SetShowText(bool show);
    TGaugeBorderStyle BorderStyle() const { return m_border; }
    void SetBorderStyle(TGaugeBorderStyle style);

    QColor ForeColor() const { return m_foreColor; }
    void SetForeColor(const QColor& color);
    QColor BackColor() const { return m_backColor; }
    void SetBackColor(const QColor& color);
    // Follows the parent's background until set.
    QColor Color() const;
    void SetColor(const QColor& color);

    // Integer part of the position of Progress between the bounds, 0..100.
    int Percent() const;
    QColor FillColor() const;
    // The text drawn when ShowText is set.
    QString DisplayText() const;

    // The picture the widget shows, at its current size.
    QImage Render() const;
    // Number of repaints asked for so far.
    int RepaintCount() const { return m_repaints; }

    QSize sizeHint() const override { return { 100, 100 }; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    struct Look {
        int percent;
        QColor fill;
        QString text;
        bool operator==(const Look&) const = default;
    };
    Look CurrentLook() const;
    void Repaint();
    void Paint(QImage& image) const;

    int m_min = 0;
    int m_max = 100;
    int m_progress = 0;
    int m_alert = 80;
    TGaugeKind m_kind = TGaugeKind::HorizontalBar;
    TGaugeTextKind m_textKind = TGaugeTextKind::ValueDone;
    QString m_caption = QStringLiteral("%d");
    bool m_customText = false;
    bool m_showText = true;
    TGaugeBorderStyle m_border = TGaugeBorderStyle::Single;
    QColor m_foreColor { 192, 220, 192 };
    QColor m_backColor { Qt::white };
    std::optional<QColor> m_color;
    bool m_loading = false;
    int m_repaints = 0;
};
