#pragma once
// The read-only text of the support windows: a markup of tags (bold, colour,
// size, line breaks with alignment, links...) rendered with per-run
// attributes, with links that ask their owner for hints and report clicks.
// The control opens nothing itself; owners act in the click events.

#include "support/TLinkMarkup.h"

#include <QTextEdit>
#include <functional>
#include <optional>

class TLinkEdit : public QTextEdit
{
    Q_OBJECT
    Q_PROPERTY(QString RichText READ RichText WRITE SetRichText)
    Q_PROPERTY(QColor UrlColor READ UrlColor WRITE SetUrlColor)
    Q_PROPERTY(QColor MailColor READ MailColor WRITE SetMailColor)
    Q_PROPERTY(QColor LinkColor READ LinkColor WRITE SetLinkColor)
public:
    using ClickEvent = std::function<void(const QString& target)>;
    // `hint` comes in empty; what the handler leaves in it is shown.
    using HintEvent = std::function<void(const QString& target, QString& hint)>;

    explicit TLinkEdit(QWidget* parent = nullptr);

    const QString& RichText() const { return m_richText; }
    // Rebuilds the whole content from `markup`, starting from the default
    // attributes, and leaves the control visible.
    void SetRichText(const QString& markup);

    // Link colours and alignment apply from the next assignment of RichText.
    QColor UrlColor() const { return m_urlColor; }
    void SetUrlColor(const QColor& color) { m_urlColor = color; }
    QColor MailColor() const { return m_mailColor; }
    void SetMailColor(const QColor& color) { m_mailColor = color; }
    QColor LinkColor() const { return m_linkColor; }
    void SetLinkColor(const QColor& color) { m_linkColor = color; }
    Qt::Alignment Alignment() const { return m_alignment; }
    void SetAlignment(Qt::Alignment alignment) { m_alignment = alignment; }

    // Where the next assignment starts: what the last one left in force.
    // Changing the font or its colour resets them to the font.
    const TLinkMarkup::Attributes& DefAttributes() const { return m_defaults; }

    ClickEvent OnUrlClick;
    ClickEvent OnMailClick;
    ClickEvent OnCustomLinkClick;
    HintEvent OnUrlHint;
    HintEvent OnMailHint;
    HintEvent OnCustomLinkHint;

    // The index of the displayed character under `point` (viewport
    // coordinates), in document positions; -1 over no character.
    int CharacterAt(const QPoint& point) const;
    std::optional<TLinkMarkup::Link> LinkAt(const QPoint& point) const;

    // The hint of the last link the mouse met, and whether it is shown.
    QString Hint() const { return toolTip(); }
    bool HintShown() const { return m_hintShown; }

protected:
    bool event(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    TLinkMarkup::Attributes FontAttributes() const;
    void FollowFont();

    QString m_richText;
    QColor m_urlColor;
    QColor m_mailColor;
    QColor m_linkColor;
    Qt::Alignment m_alignment = Qt::AlignLeft;
    TLinkMarkup::Attributes m_font;
    TLinkMarkup::Attributes m_defaults;
    QList<TLinkMarkup::Link> m_links;
    bool m_hintShown = false;
};
