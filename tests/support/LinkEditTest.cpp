#include "support/TLinkEdit.h"
#include "support/TLinkMarkup.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <gtest/gtest.h>

namespace
{

using Attributes = TLinkMarkup::Attributes;

TLinkMarkup::Context TestContext()
{
    TLinkMarkup::Context c;
    c.font.color = Qt::black;
    c.font.size = 9;
    c.font.face = QStringLiteral("Sans");
    c.urlColor = QColor(1, 2, 3);
    c.mailColor = QColor(4, 5, 6);
    c.linkColor = QColor(7, 8, 9);
    return c;
}

TLinkMarkup::Layout Format(const QString& markup)
{
    return TLinkMarkup::Format(markup, TestContext().font, TestContext());
}

// The attributes the character at `position` was given.
Attributes At(const TLinkMarkup::Layout& layout, int position)
{
    for (const auto& run : layout.runs) {
        if (position >= run.start && position < run.start + run.length) return run.attributes;
    }
    ADD_FAILURE() << "no run holds " << position;
    return {};
}

// A point `across` the width of the character at `position` (0.5: its
// middle), in viewport coordinates.
QPoint CharCentre(const TLinkEdit& edit, int position, double across = 0.5)
{
    QTextCursor c(edit.document());
    c.setPosition(position);
    const QRect left = edit.cursorRect(c);
    c.setPosition(position + 1);
    const int width = edit.cursorRect(c).left() - left.left();
    return { left.left() + int(width * across), left.center().y() };
}

void SendMouse(TLinkEdit& edit, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::NoButton)
{
    QMouseEvent e(type, at, edit.viewport()->mapToGlobal(at), button,
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), Qt::NoModifier);
    QApplication::sendEvent(edit.viewport(), &e);
}

QTextCharFormat FormatAt(const TLinkEdit& edit, int position)
{
    QTextCursor c(edit.document());
    c.setPosition(position + 1);
    return c.charFormat();
}

} // namespace

TEST(LinkMarkupText, TagsProduceNoTextExceptLineBreaks)
{
    EXPECT_EQ(TLinkMarkup::DisplayedText("a<B>b</B>c"), "abc");
    EXPECT_EQ(TLinkMarkup::DisplayedText("x<blink>y</blink>"), "xy");
    EXPECT_EQ(TLinkMarkup::DisplayedText("1<br>2<Br right>3<BRX>4"), "1\n2\n34");
    EXPECT_EQ(TLinkMarkup::DisplayedText("a > b"), "a > b");
    EXPECT_EQ(TLinkMarkup::DisplayedText("tail<B"), "tail");
}

TEST(LinkMarkupText, LessThanInsideATagIsShown)
{
    EXPECT_EQ(TLinkMarkup::DisplayedText("<<>"), "<");
    EXPECT_EQ(TLinkMarkup::DisplayedText("a<<>b<<<>c"), "a<b<<c");
}

TEST(LinkMarkupText, EscapedNamesShowAsTheyAreAndMakeNoLink)
{
    const QString name = QStringLiteral("/tmp/a<b>c <url>file:///etc/passwd</url> <color red>x.avi");
    const QString markup = QStringLiteral("Le fichier <color Maroon>") + TLinkMarkup::Escape(name)
        + QStringLiteral("</color> n'est pas");
    EXPECT_EQ(TLinkMarkup::DisplayedText(markup),
        QStringLiteral("Le fichier ") + name + QStringLiteral(" n'est pas"));
    const TLinkMarkup::Layout layout = TLinkMarkup::Format(markup, {}, {});
    EXPECT_TRUE(layout.links.isEmpty());
    // The whole name keeps the maroon of the message.
    const int at = int(layout.text.indexOf(QStringLiteral("passwd")));
    ASSERT_GE(at, 0);
    for (const auto& run : layout.runs)
        if (run.start <= at && at < run.start + run.length)
            EXPECT_EQ(run.attributes.color, QColor(128, 0, 0));
}

TEST(LinkMarkupText, OnlyWebMailAndExistingLocalFilesMayOpen)
{
    EXPECT_EQ(
        TLinkMarkup::SafeLinkUrl(QStringLiteral("https://example.org/x")).scheme(), QStringLiteral("https"));
    EXPECT_EQ(TLinkMarkup::SafeLinkUrl(QStringLiteral("www.example.org")).scheme(), QStringLiteral("http"));
    EXPECT_EQ(TLinkMarkup::SafeLinkUrl(QStringLiteral("mailto:a@b.c?subject=x")).scheme(),
        QStringLiteral("mailto"));
    EXPECT_TRUE(TLinkMarkup::SafeLinkUrl(QStringLiteral(STILLEX_SOURCE_DIR "/README.md")).isLocalFile());
    for (const char* refused : { "smb://host/share/x", "javascript:alert(1)", "ftp://host/x",
             "file://host/share/x", "/no/such/file", "data:text/html,x", "ssh://host" })
        EXPECT_FALSE(TLinkMarkup::SafeLinkUrl(QString::fromLatin1(refused)).isValid()) << refused;
}

TEST(LinkMarkupText, WrittenLineBreaksCountOnce)
{
    EXPECT_EQ(TLinkMarkup::DisplayedText("a\r\nb\rc\nd"), "a\nb\nc\nd");
}

TEST(LinkMarkupFormat, BoldRunCoversOnlyItsText)
{
    const auto layout = Format("a<B>b</B>c");
    EXPECT_FALSE(At(layout, 0).bold);
    EXPECT_TRUE(At(layout, 1).bold);
    EXPECT_FALSE(At(layout, 2).bold);
}

TEST(LinkMarkupFormat, StylesNestAndCloseWhateverOpenedThem)
{
    const auto layout = Format("<B><I><U><S>x</B>y</I></U></S>z");
    const Attributes x = At(layout, 0), y = At(layout, 1), z = At(layout, 2);
    EXPECT_TRUE(x.bold && x.italic && x.underline && x.strikeOut);
    EXPECT_TRUE(!y.bold && y.italic && y.underline && y.strikeOut);
    EXPECT_EQ(z, TestContext().font);
}

TEST(LinkMarkupFormat, ColourNamesInAnyCase)
{
    for (const char* markup : { "<COLOR red>x</COLOR>y", "<color Red>x</color>y", "<Color RED>x</COLOR>y" }) {
        const auto layout = Format(markup);
        EXPECT_EQ(At(layout, 0).color, QColor(255, 0, 0)) << markup;
        EXPECT_EQ(At(layout, 1).color, QColor(Qt::black)) << markup;
    }
    EXPECT_EQ(At(Format("<COLOR moneygreen>x"), 0).color, QColor(192, 220, 192));
    EXPECT_EQ(At(Format("<COLOR teal><COLOR octarine>x"), 0).color, QColor(0, 128, 128));
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(11, 22, 33));
    EXPECT_EQ(TLinkMarkup::NamedColor("btnFace", palette), QColor(11, 22, 33));
}

TEST(LinkMarkupFormat, SizeAndFaceReturnToTheFont)
{
    const auto layout = Format("<SIZE 14><FONT mono>a</SIZE></FONT>b<SIZE 12><SIZE big>c");
    EXPECT_EQ(At(layout, 0).size, 14);
    EXPECT_EQ(At(layout, 0).face, "MONO");
    EXPECT_EQ(At(layout, 1).size, 9);
    EXPECT_EQ(At(layout, 1).face, "Sans");
    EXPECT_EQ(At(layout, 2).size, 12) << "an unreadable size keeps the size in force";
}

TEST(LinkMarkupFormat, BreaksAlignTheParagraphTheyEnd)
{
    auto context = TestContext();
    context.alignment = Qt::AlignRight;
    const auto layout = TLinkMarkup::Format("x<BR center>y<br>z<BR LEFT>", context.font, context);
    ASSERT_EQ(layout.breaks.size(), 3);
    EXPECT_EQ(layout.breaks[0].position, 1);
    EXPECT_EQ(layout.breaks[0].alignment, Qt::AlignHCenter);
    EXPECT_EQ(layout.breaks[1].alignment, Qt::AlignRight);
    EXPECT_EQ(layout.breaks[2].position, 5);
    EXPECT_EQ(layout.breaks[2].alignment, Qt::AlignLeft);
}

TEST(LinkMarkupFormat, LinksKeepTheirTargetAndRestoreTheStyle)
{
    const auto layout
        = Format("<B>go <URL Https://Example.ORG/Page>site</URL> now<MAIL a@B.c>m</MAIL><LINK Help>h</LINK>");
    ASSERT_EQ(layout.links.size(), 3);
    EXPECT_EQ(layout.links[0].target, "Https://Example.ORG/Page");
    EXPECT_EQ(layout.links[0].start, 3);
    EXPECT_EQ(layout.links[0].end, 7);
    EXPECT_EQ(layout.links[1].kind, TLinkMarkup::LinkKind::Mail);
    EXPECT_EQ(layout.links[2].kind, TLinkMarkup::LinkKind::Custom);
    EXPECT_EQ(layout.links[2].target, "Help");
    const Attributes site = At(layout, 3);
    EXPECT_TRUE(site.underline && site.bold);
    EXPECT_EQ(site.color, QColor(1, 2, 3));
    EXPECT_EQ(At(layout, 8).color, QColor(Qt::black));
    EXPECT_FALSE(At(layout, 8).underline);
    EXPECT_EQ(At(layout, 11).color, QColor(4, 5, 6));
    EXPECT_EQ(At(layout, 12).color, QColor(7, 8, 9));
}

TEST(LinkMarkupFormat, LinksDoNotNestAndStrayEndsAreIgnored)
{
    const auto layout = Format("</URL>a<URL u>b<LINK l>c</LINK>d</URL>e<MAIL m>f");
    ASSERT_EQ(layout.links.size(), 2);
    EXPECT_EQ(layout.links[0].target, "u");
    EXPECT_EQ(layout.links[0].start, 1);
    EXPECT_EQ(layout.links[0].end, 4);
    EXPECT_EQ(At(layout, 0), TestContext().font);
    EXPECT_EQ(At(layout, 4), TestContext().font);
    EXPECT_EQ(layout.links[1].end, 6) << "an open link ends with the text";
    EXPECT_EQ(layout.end, TestContext().font) << "the next text must not start looking like a link";
}

class LinkEditTest : public ::testing::Test
{
protected:
    void SetUp() override { edit.resize(400, 200); }
    TLinkEdit edit;
};

TEST_F(LinkEditTest, AttributesLandOnTheDocumentAfterBreaks)
{
    edit.SetRichText("a<BR>b<BR center>c<B>d</B>e");
    EXPECT_EQ(edit.toPlainText(), "a\nb\ncde");
    EXPECT_TRUE(edit.isVisible());
    EXPECT_NE(FormatAt(edit, 4).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(edit, 5).fontWeight(), QFont::Bold);
    EXPECT_NE(FormatAt(edit, 6).fontWeight(), QFont::Bold);
    const QTextDocument* doc = edit.document();
    EXPECT_EQ(doc->findBlockByNumber(0).blockFormat().alignment(), Qt::AlignLeft);
    EXPECT_EQ(doc->findBlockByNumber(1).blockFormat().alignment(), Qt::AlignHCenter);
    EXPECT_EQ(doc->findBlockByNumber(2).blockFormat().alignment(), Qt::AlignLeft);
}

TEST_F(LinkEditTest, RunningAttributesCarryIntoTheNextText)
{
    edit.SetRichText("plain <B>bold");
    edit.SetRichText("still");
    EXPECT_EQ(FormatAt(edit, 0).fontWeight(), QFont::Bold);
    edit.SetRichText("</B>off");
    EXPECT_NE(FormatAt(edit, 0).fontWeight(), QFont::Bold);
    EXPECT_EQ(edit.DefAttributes().bold, false);
}

TEST_F(LinkEditTest, HitTestFindsTheCharacterUnderTheMouse)
{
    edit.SetRichText("first<BR>abcdef");
    for (int position : { 0, 4, 6, 8, 11 }) {
        EXPECT_EQ(edit.CharacterAt(CharCentre(edit, position, 0.2)), position);
        EXPECT_EQ(edit.CharacterAt(CharCentre(edit, position, 0.8)), position);
    }
    const QPoint endOfLine = CharCentre(edit, 4);
    EXPECT_EQ(edit.CharacterAt({ endOfLine.x() + 150, endOfLine.y() }), -1);
}

TEST_F(LinkEditTest, ReleaseOverALinkReportsItsTarget)
{
    QStringList urls, customs;
    edit.OnUrlClick = [&](const QString& target) { urls << target; };
    edit.OnCustomLinkClick = [&](const QString& target) { customs << target; };
    edit.SetRichText("<B>see</B><BR><URL Https://Site.Example/A>site</URL> or <LINK Faq>faq</LINK>");
    // The right edge of the last letter still belongs to the link.
    SendMouse(edit, QEvent::MouseButtonRelease, CharCentre(edit, 7, 0.8), Qt::LeftButton);
    SendMouse(edit, QEvent::MouseButtonRelease, CharCentre(edit, 13), Qt::RightButton);
    SendMouse(edit, QEvent::MouseButtonRelease, CharCentre(edit, 8), Qt::LeftButton); // where the link closes
    SendMouse(edit, QEvent::MouseButtonRelease, CharCentre(edit, 1), Qt::LeftButton);
    EXPECT_EQ(urls, QStringList({ "Https://Site.Example/A" }));
    EXPECT_EQ(customs, QStringList({ "Faq" }));
    EXPECT_EQ(FormatAt(edit, 4).foreground().color(), QColor(0, 0, 128));
    EXPECT_TRUE(FormatAt(edit, 4).fontUnderline());
}

TEST_F(LinkEditTest, MovingOverALinkAsksForItsHint)
{
    QStringList asked;
    edit.OnMailHint = [&](const QString& target, QString& hint) {
        asked << target;
        hint = "write to " + target;
    };
    edit.SetRichText("<MAIL Team@Example.org>mail</MAIL> <URL u>web</URL> text");
    SendMouse(edit, QEvent::MouseMove, CharCentre(edit, 1));
    EXPECT_EQ(asked, QStringList({ "Team@Example.org" }));
    EXPECT_EQ(edit.Hint(), "write to Team@Example.org");
    EXPECT_TRUE(edit.HintShown());
    EXPECT_EQ(edit.viewport()->cursor().shape(), Qt::PointingHandCursor);

    SendMouse(edit, QEvent::MouseMove, CharCentre(edit, 6));
    EXPECT_FALSE(edit.HintShown()) << "a link without a hint handler shows no stale hint";
    EXPECT_EQ(edit.viewport()->cursor().shape(), Qt::PointingHandCursor);

    SendMouse(edit, QEvent::MouseMove, CharCentre(edit, 10));
    EXPECT_FALSE(edit.HintShown());
    EXPECT_EQ(edit.viewport()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(asked.size(), 1);
}
