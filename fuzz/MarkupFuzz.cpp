// The markup formatter on any message text: messages quote file names and
// stream descriptions, which come from outside.
//
// Properties: both passes show the same text; the runs cover it end to end
// without gap or overlap; every link lies inside it, in order, and links do
// not overlap; every paragraph break names a line break of the text; text
// passed through Escape shows exactly as it was, with no tag and no link.

#include "fuzz/FuzzCheck.h"
#include "support/TLinkMarkup.h"

namespace
{

void CheckLayout(const TLinkMarkup::Layout& layout)
{
    const int length = int(layout.text.size());
    int covered = 0;
    for (const auto& run : layout.runs) {
        FUZZ_CHECK(run.start == covered && run.length > 0);
        covered += run.length;
    }
    FUZZ_CHECK(covered == length);
    int previousEnd = 0;
    for (const auto& link : layout.links) {
        FUZZ_CHECK(link.start >= previousEnd && link.start < link.end && link.end <= length);
        previousEnd = link.end;
    }
    for (const auto& paragraph : layout.breaks) {
        FUZZ_CHECK(paragraph.position >= 0 && paragraph.position < length);
        FUZZ_CHECK(layout.text.at(paragraph.position) == u'\n');
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString markup = FuzzText(data, size);
    TLinkMarkup::Context context;
    context.font.size = 9;
    context.font.face = QStringLiteral("SANS");
    context.urlColor = Qt::blue;
    const TLinkMarkup::Layout layout = TLinkMarkup::Format(markup, context.font, context);
    FUZZ_CHECK(layout.text == TLinkMarkup::DisplayedText(markup));
    CheckLayout(layout);
    for (const auto& run : layout.runs)
        FUZZ_CHECK(run.attributes.size >= 0 && run.attributes.size <= 1638);
    for (int position = -1; position <= int(layout.text.size()); ++position) {
        const auto link = TLinkMarkup::LinkAt(layout.links, position);
        if (link) FUZZ_CHECK(position >= link->start && position < link->end);
    }

    // As a file name quoted in a message. Line breaks are the one thing the
    // shown text normalises ("\r\n" and "\r" show as "\n").
    QString plain = markup;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const QString escaped = TLinkMarkup::Escape(markup);
    const TLinkMarkup::Layout quoted = TLinkMarkup::Format(escaped, context.font, context);
    FUZZ_CHECK(quoted.text == plain);
    FUZZ_CHECK(quoted.links.isEmpty() && quoted.breaks.isEmpty());
    FUZZ_CHECK(quoted.end == context.font);
    CheckLayout(quoted);
    return 0;
}
