#pragma once
// A "mailto:" address that hands a prepared mail to the user's mail program.
// Subject and body are percent-encoded whole (UTF-8, everything outside the
// unreserved characters), so a "&", "#", "?", "%" or blank in a message
// reaches the mail program as written instead of ending the field, starting
// another one or being read as an escape.

#include <QString>
#include <QUrl>

class TMailTo
{
public:
    // Line breaks of the body are written CR LF, as mail wants them.
    static QUrl Url(const QString& address, const QString& subject, const QString& body);
    // Every kind of line break as CR LF.
    static QString CrLf(const QString& text);
};
