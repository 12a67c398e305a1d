#include "support/TLinkEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolTip>

namespace
{

QTextCharFormat CharFormat(const TLinkMarkup::Attributes& a)
{
    QTextCharFormat format;
    format.setFontWeight(a.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(a.italic);
    format.setFontUnderline(a.underline);
    format.setFontStrikeOut(a.strikeOut);
    format.setForeground(a.color);
    if (a.size > 0) format.setFontPointSize(a.size);
    if (!a.face.isEmpty()) format.setFontFamilies(QStringList { a.face });
    return format;
}

} // namespace

TLinkEdit::TLinkEdit(QWidget* parent)
    : QTextEdit(parent)
    , m_urlColor(0, 0, 128)
    , m_mailColor(0, 0, 128)
    , m_linkColor(0, 0, 128)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::ArrowCursor);
    m_font = FontAttributes();
    m_defaults = m_font;
}

TLinkMarkup::Attributes TLinkEdit::FontAttributes() const
{
    const QFont f = font();
    TLinkMarkup::Attributes a;
    a.bold = f.bold();
    a.italic = f.italic();
    a.underline = f.underline();
    a.strikeOut = f.strikeOut();
    a.color = palette().color(QPalette::Text);
    a.size = f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / logicalDpiY();
    a.face = f.family();
    return a;
}

// Assigning a font resets what new text takes. Polishing may re-send an
// unchanged font or palette, which must not wipe the carried-over attributes.
void TLinkEdit::FollowFont()
{
    const TLinkMarkup::Attributes now = FontAttributes();
    if (now == m_font) return;
    m_font = now;
    m_defaults = now;
}

void TLinkEdit::SetRichText(const QString& markup)
{
    // Painting waits for the finished text. Hiding the control instead, as
    // a way to avoid flicker, would also drop it from its layout meanwhile.
    const bool updates = updatesEnabled();
    setUpdatesEnabled(false);
    m_richText = markup;

    TLinkMarkup::Context context;
    context.font = m_font;
    context.urlColor = m_urlColor;
    context.mailColor = m_mailColor;
    context.linkColor = m_linkColor;
    context.alignment = m_alignment;
    context.palette = palette();
    const TLinkMarkup::Layout layout = TLinkMarkup::Format(markup, m_defaults, context);

    setPlainText(layout.text);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (const TLinkMarkup::Run& run : layout.runs) {
        cursor.setPosition(run.start);
        cursor.setPosition(run.start + run.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(CharFormat(run.attributes));
    }
    // Breaks come in text order, as do the blocks they end.
    auto nextBreak = layout.breaks.cbegin();
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const int separator = block.position() + block.length() - 1;
        Qt::Alignment alignment = m_alignment;
        if (nextBreak != layout.breaks.cend() && nextBreak->position == separator)
            alignment = (nextBreak++)->alignment;
        QTextBlockFormat format = block.blockFormat();
        format.setAlignment(alignment);
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
    cursor.endEditBlock();

    m_links = layout.links;
    m_defaults = layout.end;
    setCurrentCharFormat(CharFormat(m_defaults));
    setUpdatesEnabled(updates);
    show();
}

int TLinkEdit::CharacterAt(const QPoint& point) const
{
    const int x = isRightToLeft() ? horizontalScrollBar()->maximum() - horizontalScrollBar()->value()
                                  : horizontalScrollBar()->value();
    const QPointF inDocument(point.x() + x, point.y() + verticalScrollBar()->value());
    // An exact hit names the character whose cell holds the point, not the
    // nearest gap between characters, and nothing beside the text.
    return document()->documentLayout()->hitTest(inDocument, Qt::ExactHit);
}

std::optional<TLinkMarkup::Link> TLinkEdit::LinkAt(const QPoint& point) const
{
    const int position = CharacterAt(point);
    if (position < 0) return std::nullopt;
    return TLinkMarkup::LinkAt(m_links, position);
}

bool TLinkEdit::event(QEvent* e)
{
    // Taken here so that no tooltip of the window behind shows instead.
    if (e->type() == QEvent::ToolTip && !m_hintShown) {
        QToolTip::hideText();
        return true;
    }
    return QTextEdit::event(e);
}

void TLinkEdit::changeEvent(QEvent* e)
{
    QTextEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::PaletteChange) FollowFont();
}

void TLinkEdit::mouseMoveEvent(QMouseEvent* e)
{
    QTextEdit::mouseMoveEvent(e);
    const auto link = LinkAt(e->position().toPoint());
    viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::ArrowCursor);

    HintEvent handler;
    if (link) {
        handler = link->kind == TLinkMarkup::LinkKind::Url ? OnUrlHint
            : link->kind == TLinkMarkup::LinkKind::Mail    ? OnMailHint
                                                           : OnCustomLinkHint;
    }
    // A link without a hint handler shows no hint rather than the one left
    // by the previous link.
    if (!handler) {
        if (m_hintShown) QToolTip::hideText();
        m_hintShown = false;
        return;
    }
    QString hint;
    handler(link->target, hint);
    if (hint != toolTip() && QToolTip::isVisible()) QToolTip::hideText();
    setToolTip(hint);
    m_hintShown = true;
}

void TLinkEdit::mouseReleaseEvent(QMouseEvent* e)
{
    QTextEdit::mouseReleaseEvent(e);
    const auto link = LinkAt(e->position().toPoint());
    if (!link) return;
    // Copies: the handler may replace the text or close the window.
    const ClickEvent handler = link->kind == TLinkMarkup::LinkKind::Url ? OnUrlClick
        : link->kind == TLinkMarkup::LinkKind::Mail                     ? OnMailClick
                                                                        : OnCustomLinkClick;
    if (handler) handler(link->target);
}
