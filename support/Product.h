#pragma once
// The product's identity, as shown in captions, reports and stored files.

#include <QString>

namespace Product
{
inline const QString Name = QStringLiteral("Stillex");
inline const QString Version = QStringLiteral("5.0.6");
inline const QString Language = QStringLiteral("Fr");
inline const QString Maker = QStringLiteral("Kestrine");
// Where users write and read about the product; every window that offers a
// link takes it from here.
inline const QString SupportAddress = QStringLiteral("support@kestrine.example");
inline const QString WebPage = QStringLiteral("https://www.kestrine.example/stillex/");
// The help pages, where the help panel sends the user.
inline const QString HelpPage = QStringLiteral("https://www.kestrine.example/stillex/aide/");
inline const QString FiltersPage = QStringLiteral("https://www.kestrine.example/stillex/filtres.html");
// "Stillex 5.0.6Fr": the name with its version, as in the caption.
inline QString NameAndVersion()
{
    return Name + QLatin1Char(' ') + Version + Language;
}
// "Stillex 5.0.6Fr de Kestrine": the main window's caption.
inline QString Caption()
{
    return QStringLiteral("%1 de %2").arg(NameAndVersion(), Maker);
}
// "Stillex 5.0.6 Fr de Kestrine": the signature of the preference list.
inline QString Signature()
{
    return QStringLiteral("%1 %2 %3 de %4").arg(Name, Version, Language, Maker);
}
} // namespace Product
