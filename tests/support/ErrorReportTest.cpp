// The problem report: the window's text, the mail it prepares (read back as
// a mail program reads a "mailto:" address) with the description of the
// system, and the window's links.

#include "support/TErreurForm.h"
#include "support/TErrorReport.h"
#include "support/TLinkEdit.h"
#include "support/TMailTo.h"
#include "support/TSystemInformation.h"

#include <QDesktopServices>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QUrlQuery>
#include <gtest/gtest.h>

namespace
{
// The fields of a mailto: address, decoded as RFC 6068 says: "?" starts the
// fields, "&" separates them, and each value is percent-decoded UTF-8.
struct MailFields {
    QString address;
    QList<std::pair<QString, QString>> fields;
    QString value(const QString& name) const
    {
        for (const auto& [key, val] : fields)
            if (key == name) return val;
        return QStringLiteral("<absent>");
    }
};

MailFields readMailTo(const QByteArray& encoded)
{
    MailFields mail;
    EXPECT_TRUE(encoded.startsWith("mailto:")) << encoded.constData();
    const QByteArray rest = encoded.mid(7);
    const qsizetype question = rest.indexOf('?');
    mail.address = QString::fromUtf8(QByteArray::fromPercentEncoding(rest.left(question)));
    for (const QByteArray& field : rest.mid(question + 1).split('&')) {
        const qsizetype equals = field.indexOf('=');
        mail.fields.append({ QString::fromUtf8(QByteArray::fromPercentEncoding(field.left(equals))),
            QString::fromUtf8(QByteArray::fromPercentEncoding(field.mid(equals + 1))) });
    }
    return mail;
}

// Clicks the displayed words `words` as a user does.
void clickWords(TLinkEdit* edit, const QString& words)
{
    const qsizetype at = edit->toPlainText().indexOf(words);
    ASSERT_GE(at, 0) << words.toStdString();
    QTextCursor cursor(edit->document());
    cursor.setPosition(int(at) + 1);
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    const QPoint point = edit->cursorRect(cursor).center();
    QTest::mouseClick(edit->viewport(), Qt::LeftButton, {}, point);
}

// Receives what the desktop would be asked to open.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};
} // namespace

TEST(ErrorReport, TheWindowTextPutsTheMessageBetweenTheOpeningAndTheTwoParagraphs)
{
    const QString message = QStringLiteral("Le fichier <color Maroon>/v/a.avi</color> est illisible");
    const QString expected = QStringLiteral("<b><color navy>Stillex</color></b>")
        + " a diagnostiqué des problèmes potentiels" + " sur votre système:" + "<br><br><b>" + message
        + "</b><br><br>"
        + "Vous pouvez m'envoyer un <mail support@kestrine.example>e-mail</mail> sur ce problème, en y "
          "mettant "
          "le maximum d'indications pour le diagnostiquer... J'étudie tous les e-mails reçus, mais je n'y "
          "réponds malheureusement que très rarement faute de temps.<br><br>Pour avoir une aide sur "
          "l'utilisation de <COLOR Navy><B>Stillex</B></COLOR>, des informations, des mises à jour "
          "éventuelles, vous pouvez vous rendre sur <url https://www.kestrine.example/stillex/>mon site "
          "web</url>."
        + "<br><br>"
        + "Pour savoir comment installer les filtres <COLOR Navy><B>Haali Media Splitter</B></COLOR> ou "
          "<COLOR Navy><B>ffdshow</B></COLOR>, vous pouvez aussi rendre sur "
        + "<url https://www.kestrine.example/stillex/filtres.html>cette page web</url>" + ".";
    EXPECT_EQ(TErrorReport::Text(message), expected);

    // A "%1" in the message is text, not a place to fill.
    EXPECT_TRUE(
        TErrorReport::Text(QStringLiteral("100%1 <b>x")).contains(QStringLiteral("<b>100%1 <b>x</b>")));
}

TEST(ErrorReport, TheMailArrivesWholeWhateverTheMessageHolds)
{
    TSystemInformation::Begin(QStringLiteral("Debian GNU/Linux 12 (bookworm) - Linux 6.1.0"),
        QStringLiteral("9.0c"), QStringLiteral("1.22.0"));
    TSystemInformation::AddLine(QStringLiteral("matroskademux"));
    TSystemInformation::AddLine(QStringLiteral("avdec_h264 non trouvé\nsecond"));
    const QString system = TSystemInformation::Text();
    EXPECT_EQ(system,
        "Debian GNU/Linux 12 (bookworm) - Linux 6.1.0. \r\nDirectX version 9.0c. GStreamer 1.22.0.\r\n\r\n"
        "Filtres:\r\nmatroskademux\r\navdec_h264 non trouvé\r\nsecond\r\n");

    // Every character a mail address reads as a delimiter, accents, a path
    // with blanks, and a "<" the markup escaped in a file name.
    const QString message = QStringLiteral(
        "Le fichier <color Maroon>/home/élodie/Mes vidéos/a&b #1?x=%41+y;z<<>.avi</color> ne peut pas être "
        "exploité<br><br><b>Vérifiez</b> s'il n'est pas corrompu");
    const QString plain = QStringLiteral(
        "Le fichier /home/élodie/Mes vidéos/a&b #1?x=%41+y;z<.avi ne peut pas être exploité\r\n\r\nVérifiez "
        "s'il n'est pas corrompu");
    const QUrl url = TErrorReport::MailUrl(message, system);
    ASSERT_TRUE(url.isValid()) << url.errorString().toStdString();
    const MailFields mail = readMailTo(url.toEncoded());
    EXPECT_EQ(mail.address, "support@kestrine.example");
    ASSERT_EQ(mail.fields.size(), 2);
    EXPECT_EQ(mail.value("subject"), "Erreur de Stillex 5.0.6Fr");
    EXPECT_EQ(mail.value("body"),
        "L'erreur suivante s'est produite:\r\n\r\n" + plain + "\r\n\r\nInformations sur le système:\r\n"
            + system);
    // Nothing outside the unreserved characters is left bare in the fields.
    const QByteArray fields = url.toEncoded().mid(url.toEncoded().indexOf('?') + 1);
    for (char c : fields)
        EXPECT_TRUE(QByteArrayView("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~%=&")
                        .contains(c))
            << c;
    TSystemInformation::Clear();
}

TEST(ErrorReport, TheWindowsLinksReachTheDesktop)
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    TSystemInformation::Begin(QStringLiteral("Test OS"), QStringLiteral("9.0c"), QString());

    TErreurForm form;
    EXPECT_EQ(form.windowTitle(), "Erreur de Stillex");
    const QString message = QStringLiteral("Le fichier <color Maroon>x &amp; y.avi</color> est vide");
    QTimer::singleShot(0, &form, [&] {
        // Shown modally with the whole report; the mail link prepares the
        // mail, the web links open their page.
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(form.Texte->toPlainText().contains(QStringLiteral("Le fichier x &amp; y.avi est vide")));
        clickWords(form.Texte, QStringLiteral("e-mail"));
        clickWords(form.Texte, QStringLiteral("mon site web"));
        clickWords(form.Texte, QStringLiteral("cette page web"));
        form.Quitter->click();
    });
    form.Show(message);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.Texte->RichText(), TErrorReport::Text(message));

    ASSERT_EQ(recorder.urls.size(), 3);
    const MailFields mail = readMailTo(recorder.urls[0].toEncoded());
    EXPECT_EQ(mail.value("body"),
        "L'erreur suivante s'est produite:\r\n\r\nLe fichier x &amp; y.avi est vide\r\n\r\nInformations sur "
        "le "
        "système:\r\nTest OS. \r\nDirectX version 9.0c.\r\n\r\nFiltres:\r\n");
    EXPECT_EQ(recorder.urls[1], QUrl(QStringLiteral("https://www.kestrine.example/stillex/")));
    EXPECT_EQ(recorder.urls[2], QUrl(QStringLiteral("https://www.kestrine.example/stillex/filtres.html")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    TSystemInformation::Clear();
}

#include "ErrorReportTest.moc"
