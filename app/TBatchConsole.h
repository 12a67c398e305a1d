#pragma once
// A run with nobody to answer a window (the offscreen platform): nothing may
// wait on a modal window. Error messages go to standard error, questions take
// their cancelling answer, the preferences are neither asked about nor
// written, and the process ends with status 1 once an error was reported.

#include <QString>

class TShowForm;

class TBatchConsole
{
public:
    // Whether the platform shows no window to anyone.
    static bool Wanted();

    // Routes the window's messages and questions here.
    void Install(TShowForm& form);

    // One message on standard error, counted as an error or not.
    void Report(const QString& text, bool error = true);
    bool ErrorReported() const { return m_errors > 0; }

private:
    int m_errors = 0;
};
