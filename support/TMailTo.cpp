#include "support/TMailTo.h"

#include <QRegularExpression>

QString TMailTo::CrLf(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    QString out = text;
    return out.replace(breaks, QStringLiteral("\r\n"));
}

QUrl TMailTo::Url(const QString& address, const QString& subject, const QString& body)
{
    QByteArray encoded = "mailto:" + QUrl::toPercentEncoding(address, "@");
    encoded += "?subject=" + QUrl::toPercentEncoding(subject);
    encoded += "&body=" + QUrl::toPercentEncoding(CrLf(body));
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}
