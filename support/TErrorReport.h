#pragma once
// The texts of a problem report: what the error window shows around a
// message, and the mail it prepares for the support address.

#include <QString>
#include <QUrl>

class TErrorReport
{
public:
    // The window's text, in the link markup: the opening, the message in
    // bold, the support paragraph with its mail and web links, the filter
    // paragraph with its link.
    static QString Text(const QString& message);
    // The message as the window shows it, without its tags: a "<" the markup
    // escaped stays in (a file name keeps its characters) and each line
    // break of the markup is a line break.
    static QString PlainMessage(const QString& message);
    static QString MailSubject();
    // The plain message, then the system information.
    static QString MailBody(const QString& message, const QString& systemInformation);
    static QUrl MailUrl(const QString& message, const QString& systemInformation);
};
