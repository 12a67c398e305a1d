#include "support/TLinkMarkup.h"

#include <QFileInfo>
#include <algorithm>
#include <iterator>

namespace
{

struct Tag {
    QString name; // in capitals
    QString argument; // trimmed, letter case as written
};

Tag SplitTag(const QString& inside)
{
    // Trimming first lets "< b >" mean bold rather than an empty name.
    const QString tag = inside.trimmed();
    const auto blank = std::find_if(tag.begin(), tag.end(), [](QChar c) { return c.isSpace(); });
    const auto at = static_cast<qsizetype>(std::distance(tag.begin(), blank));
    return { tag.left(at).toUpper(), tag.mid(at + 1).trimmed() };
}

// Walks the markup once: `text` receives the displayed characters met before
// each tag end (a less-than sign inside a tag included), `tag` each complete
// tag. A line break written in the markup becomes one '\n' so that it counts
// as the document counts it; a tag left open at the end produces no tag.
template <class OnText, class OnTag> void Scan(const QString& markup, OnText&& text, OnTag&& tag)
{
    QString pending;
    QString inside;
    bool inTag = false;
    for (qsizetype i = 0; i < markup.size(); ++i) {
        const QChar c = markup.at(i);
        if (inTag) {
            if (c == u'<') {
                pending += c;
            } else if (c == u'>') {
                text(pending);
                pending.clear();
                tag(SplitTag(inside));
                inside.clear();
                inTag = false;
            } else {
                inside += c;
            }
        } else if (c == u'<') {
            inTag = true;
        } else if (c == u'\r') {
            pending += u'\n';
            if (i + 1 < markup.size() && markup.at(i + 1) == u'\n') ++i;
        } else {
            pending += c;
        }
    }
    text(pending);
}

std::optional<TLinkMarkup::LinkKind> LinkKindOf(const QString& name)
{
    if (name == u"URL") return TLinkMarkup::LinkKind::Url;
    if (name == u"MAIL") return TLinkMarkup::LinkKind::Mail;
    if (name == u"LINK") return TLinkMarkup::LinkKind::Custom;
    return std::nullopt;
}

// Larger sizes would make a single glyph thousands of pixels tall.
constexpr int MaxPointSize = 1638;

} // namespace

std::optional<QColor> TLinkMarkup::NamedColor(const QString& name, const QPalette& palette)
{
    static const struct {
        const char16_t* name;
        QRgb rgb;
    } table[] = {
        { u"RED", qRgb(255, 0, 0) },
        { u"GREEN", qRgb(0, 128, 0) },
        { u"YELLOW", qRgb(255, 255, 0) },
        { u"BLUE", qRgb(0, 0, 255) },
        { u"BLACK", qRgb(0, 0, 0) },
        { u"WHITE", qRgb(255, 255, 255) },
        { u"AQUA", qRgb(0, 255, 255) },
        { u"DKGRAY", qRgb(128, 128, 128) },
        { u"OLIVE", qRgb(128, 128, 0) },
        { u"PURPLE", qRgb(128, 0, 128) },
        { u"FUCHSIA", qRgb(255, 0, 255) },
        { u"GRAY", qRgb(128, 128, 128) },
        { u"LIME", qRgb(0, 255, 0) },
        { u"MAROON", qRgb(128, 0, 0) },
        { u"NAVY", qRgb(0, 0, 128) },
        { u"LTGRAY", qRgb(192, 192, 192) },
        { u"MEDGRAY", qRgb(160, 160, 164) },
        { u"SILVER", qRgb(192, 192, 192) },
        { u"TEAL", qRgb(0, 128, 128) },
        { u"MONEYGREEN", qRgb(192, 220, 192) },
        { u"CREAM", qRgb(255, 251, 240) },
        { u"SKYBLUE", qRgb(166, 202, 240) },
    };
    const QString key = name.trimmed().toUpper();
    for (const auto& entry : table) {
        if (key == QStringView(entry.name)) return QColor(entry.rgb);
    }
    if (key == u"BTNFACE") return palette.color(QPalette::Button);
    // The backdrop behind documents; Qt paints that area with the dark role.
    if (key == u"APPWORKSPACE") return palette.color(QPalette::Dark);
    return std::nullopt;
}

QString TLinkMarkup::DisplayedText(const QString& markup)
{
    QString shown;
    Scan(
        markup, [&](const QString& text) { shown += text; },
        [&](const Tag& tag) {
            if (tag.name == u"BR") shown += u'\n';
        });
    return shown;
}

TLinkMarkup::Layout TLinkMarkup::Format(
    const QString& markup, const Attributes& start, const Context& context)
{
    Layout layout;
    Attributes running = start;
    // One slot for the three kinds: links do not nest. A link tag met while
    // a link is open is ignored, and only the closing tag of the open kind
    // ends it, so what looks like a link is exactly what reacts as one.
    std::optional<Attributes> saved;
    Link open;
    int runStart = 0;

    auto closeRun = [&] {
        const int end = static_cast<int>(layout.text.size());
        if (end > runStart) layout.runs.append({ runStart, end - runStart, running });
        runStart = end;
    };
    auto endLink = [&] {
        open.end = static_cast<int>(layout.text.size());
        if (open.end > open.start) layout.links.append(open);
        running.color = saved->color;
        running.bold = saved->bold;
        running.italic = saved->italic;
        running.underline = saved->underline;
        running.strikeOut = saved->strikeOut;
        saved.reset();
    };

    Scan(
        markup, [&](const QString& text) { layout.text += text; },
        [&](const Tag& tag) {
            const QString& name = tag.name;
            if (name == u"BR") layout.text += u'\n';
            closeRun();

            if (name == u"B" || name == u"/B") {
                running.bold = name == u"B";
            } else if (name == u"I" || name == u"/I") {
                running.italic = name == u"I";
            } else if (name == u"U" || name == u"/U") {
                running.underline = name == u"U";
            } else if (name == u"S" || name == u"/S") {
                running.strikeOut = name == u"S";
            } else if (name == u"COLOR") {
                if (auto color = NamedColor(tag.argument, context.palette)) running.color = *color;
            } else if (name == u"/COLOR") {
                running.color = context.font.color;
            } else if (name == u"SIZE") {
                // A size that does not read as a positive whole number would
                // make the text vanish; it leaves the size as it was instead.
                bool ok = false;
                const int points = tag.argument.toInt(&ok);
                if (ok && points > 0) running.size = std::min(points, MaxPointSize);
            } else if (name == u"/SIZE") {
                running.size = context.font.size;
            } else if (name == u"FONT") {
                if (!tag.argument.isEmpty()) running.face = tag.argument.toUpper();
            } else if (name == u"/FONT") {
                running.face = context.font.face;
            } else if (name == u"BR") {
                const QString where = tag.argument.toUpper();
                Qt::Alignment alignment = context.alignment;
                if (where == u"LEFT")
                    alignment = Qt::AlignLeft;
                else if (where == u"RIGHT")
                    alignment = Qt::AlignRight;
                else if (where == u"CENTER")
                    alignment = Qt::AlignHCenter;
                layout.breaks.append({ runStart - 1, alignment });
            } else if (auto kind = LinkKindOf(name)) {
                if (!saved) {
                    saved = running;
                    open = { runStart, runStart, *kind, tag.argument };
                    running.color = *kind == LinkKind::Url ? context.urlColor
                        : *kind == LinkKind::Mail          ? context.mailColor
                                                           : context.linkColor;
                    running.underline = true;
                }
            } else if (name.startsWith(u'/')) {
                auto kind = LinkKindOf(name.mid(1));
                if (kind && saved && open.kind == *kind) endLink();
            }
        });

    closeRun();
    // A link left open ends with its text; otherwise the next text would
    // start in link colours without being a link.
    if (saved) endLink();
    layout.end = running;
    return layout;
}

std::optional<TLinkMarkup::Link> TLinkMarkup::LinkAt(const QList<Link>& links, int position)
{
    for (const Link& link : links) {
        if (position >= link.start && position < link.end) return link;
    }
    return std::nullopt;
}

QString TLinkMarkup::Escape(const QString& text)
{
    // Inside a tag a less-than sign is shown as it is; the empty tag that
    // carries it means nothing.
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'<')
            out += QStringLiteral("<<>");
        else
            out += c;
    }
    return out;
}

QUrl TLinkMarkup::SafeLinkUrl(const QString& target)
{
    QString t = target.trimmed();
    while (t.endsWith(QChar(0)))
        t.chop(1);
    const QUrl url = QUrl::fromUserInput(t);
    if (!url.isValid()) return {};
    const QString scheme = url.scheme().toLower();
    if (scheme == u"http" || scheme == u"https" || scheme == u"mailto") return url;
    if (scheme == u"file" && url.host().isEmpty() && QFileInfo::exists(url.toLocalFile())) return url;
    return {};
}
