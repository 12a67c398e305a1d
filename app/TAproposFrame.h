#pragma once
// The "A propos" panel: the product and its version, the credits, the web
// page and a mail to the support address.

#include "support/TSidePanel.h"

#include <QUrl>

class TLinkEdit;

class TAproposFrame : public TSidePanel
{
    Q_OBJECT
public:
    explicit TAproposFrame(QWidget* parent);

    // The mail the support link prepares: the system's description as body.
    static QUrl MailUrl();

    TLinkEdit* Texte = nullptr;
};
