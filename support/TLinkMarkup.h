#pragma once
// The small tag markup of the explanatory texts, turned into displayed text,
// formatted runs, paragraph alignments and link ranges. No widget is needed,
// so the rules can be checked on their own; TLinkEdit applies the result.
//
// Positions count UTF-16 units of the displayed text, where every line break
// (a "BR" tag or a line break written in the markup) is one '\n'. That is the
// position unit of QTextDocument, so runs and links land on the document as
// computed, whatever the number of breaks before them.

#include <QColor>
#include <QList>
#include <QPalette>
#include <QString>
#include <QUrl>
#include <optional>

class TLinkMarkup
{
public:
    enum class LinkKind { Url, Mail, Custom };

    // The attributes a run of text takes; also the control's default
    // attributes, which carry over from one text to the next.
    struct Attributes {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strikeOut = false;
        QColor color;
        qreal size = 0; // points
        QString face;
        bool operator==(const Attributes&) const = default;
    };

    // What the tags fall back to or switch to.
    struct Context {
        Attributes font; // the control's font: "/COLOR", "/SIZE", "/FONT" return to it
        QColor urlColor;
        QColor mailColor;
        QColor linkColor;
        Qt::Alignment alignment = Qt::AlignLeft; // "BR" without a known argument
        QPalette palette; // resolves "BTNFACE" and "APPWORKSPACE"
    };

    struct Run {
        int start = 0;
        int length = 0;
        Attributes attributes;
    };
    // A "BR" tag: the '\n' at `position` ends a paragraph aligned so.
    struct Break {
        int position = 0;
        Qt::Alignment alignment;
    };
    // Characters [start, end) react to the mouse; `target` keeps its case.
    struct Link {
        int start = 0;
        int end = 0;
        LinkKind kind = LinkKind::Url;
        QString target;
    };

    struct Layout {
        QString text; // the displayed text (first pass)
        QList<Run> runs; // contiguous, covering the whole text
        QList<Break> breaks;
        QList<Link> links;
        Attributes end; // the running attributes after the last tag
    };

    // First pass: the characters outside tags, a '\n' per "BR", and each
    // less-than sign met inside a tag.
    static QString DisplayedText(const QString& markup);

    // Both passes: the text, then the attributes, starting from `start` (the
    // control's default attributes).
    static Layout Format(const QString& markup, const Attributes& start, const Context& context);

    // A colour of the markup by name, in any letter case; nothing for an
    // unknown name.
    static std::optional<QColor> NamedColor(const QString& name, const QPalette& palette);

    // `text` written so that the markup shows it as it is: a file name
    // holding "<" or what looks like a tag must neither cut the message nor
    // become a tag or a link.
    static QString Escape(const QString& text);

    // The address a clicked link may hand to the desktop: web and mail
    // addresses, and local files that exist. Anything else (another
    // scheme, a remote file share) gives an invalid address.
    static QUrl SafeLinkUrl(const QString& target);

    // The first link holding the character at `position`; nothing when none.
    static std::optional<Link> LinkAt(const QList<Link>& links, int position);
};
