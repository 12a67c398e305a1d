#include "app/TBatchConsole.h"

#include "app/TShowForm.h"
#include "support/TLinkMarkup.h"

#include <QGuiApplication>
#include <cstdio>

bool TBatchConsole::Wanted()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

void TBatchConsole::Install(TShowForm& form)
{
    form.OnErrorMessage = [this](const QString& markup) { Report(TLinkMarkup::DisplayedText(markup)); };
    form.OnFailure = [this](const QString& text) { Report(text); };
    form.OnWarning = [this](const QString& text) { Report(text, false); };
    // "Annuler" stops the run: the job was not done as asked.
    form.OnAskOverwrite = [this](const QString& text) {
        Report(text + QStringLiteral(" Annuler"));
        return TShowForm::TOverwriteAnswer::Cancel;
    };
    // Where to keep the preferences is asked at exit when no store was
    // chosen; a batch run keeps them nowhere rather than wait for ever.
    form.SetSavePrefsForm(nullptr);
    // The missing-filter warning is said and the run goes on.
    form.SetFiltresWarningForm(nullptr);
}

void TBatchConsole::Report(const QString& text, bool error)
{
    if (error) ++m_errors;
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fflush(stderr);
}
