#pragma once
// The command-line runner: each process argument that starts with "+", "-"
// or "/" is one entry, named by a switch or a token, with its argument after
// the first "=". The arguments run once, at the application's first
// activation after start-up.
//
// Unlike a script line, a switch is taken as the shell handed it: nothing is
// trimmed, its argument keeps blanks, quotes and further "=", and only the
// prefix gives the mode ("+" on, "-" off, "/" toggle).

#include "automation/TCustomScript.h"

class TSwitch : public TCustomScript
{
    Q_OBJECT
public:
    explicit TSwitch(QObject* parent = nullptr);

    // The process arguments after the program's path, in order. Handed over
    // by the program entry: a window made by a test reads none.
    QStringList Arguments;

    // Runs at every activation of the application.
    std::function<void(QObject* sender)> OnActivate;
    // Runs when the arguments gave no entry.
    std::function<void()> OnNoCommandLine;
    // Told about an argument without prefix that no command takes; by
    // default one line on standard error saying how to open it.
    std::function<void(const QString& argument)> OnIgnoredArgument;

    // The application's activation: OnActivate, and the first time only,
    // the command line.
    void Activate(QObject* sender);
    bool Processed() const { return m_processed; }

    // Parses the arguments, runs them when there are entries, then clears
    // the entries.
    void ProcessCommandLine();
    void ParseCommandLine();
    // Appends at most one entry.
    void ParseSwitch(const QString& argument);

    // The line written for an ignored argument.
    static QString IgnoredArgumentText(const QString& argument);

protected:
    QString Origin() const override;

private:
    bool m_processed = false;
};
