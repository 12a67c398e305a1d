#pragma once
// What the script runner and the command-line runner share: a list of
// entries, the reading of one line into an entry, and the run that executes
// the entries on the UI thread while the window goes on working.
//
// The grammar of a line: an optional prefix ("+" on, "-" off, "/" toggle), a
// command named by its switch or its token, then "=" or a space and the
// argument. "quit" is no command: it asks for the main window to close when
// the run ends. Lines that cannot be read are skipped; each is described in
// a message handed to OnProblems, so a mistake costs one line, not the run.

#include "automation/TActionEx.h"
#include "automation/TSuperList.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

class TActionList;
class TCustomSuperAction;

class TCustomScript : public QObject
{
    Q_OBJECT
public:
    // Script files running one another through "script" stop at this depth:
    // a script that runs itself would otherwise never end.
    static constexpr int MaxNesting = 16;

    explicit TCustomScript(QObject* parent = nullptr);
    ~TCustomScript() override;

    // Where names are looked up.
    QPointer<TActionList> actionlist;
    // The command given an entry with an empty name; none for a script.
    QPointer<TCustomSuperAction> DefaultAction;

    bool Executing() const { return m_runs > 0; }
    bool Aborted() const { return m_aborted; }
    bool QuitWhenDone() const { return m_quitWhenDone; }
    // The index of the entry being run, -1 before the first. "open" keeps it
    // and "next" puts it back, which makes a loop.
    int* CurrentLine() { return &m_current; }
    const TSuperList& Commands() const { return m_commands; }
    void ClearCommands() { m_commands.Clear(); }

    // Appends at most one entry.
    void ParseLine(const QString& line);
    // The command of a name (switch or token, any case); none for "quit",
    // which sets QuitWhenDone, and for a name no command has.
    TCustomSuperAction* FindAction(const QString& name);
    // The argument in what follows the name: up to the first space, or the
    // text between double quotes, blanks included.
    static QString ExtractArgument(const QString& remainder);
    // Characters up to code 32 removed from both ends.
    static QString TrimControls(const QString& text);

    // A script file's text and its lines, as every hand-written text file
    // of the system is read (platform/TextFiles.h).
    static QString DecodeScript(const QByteArray& bytes);
    static QStringList SplitLines(const QString& text);

    // Replaces the entries with the lines of a file. False, with a message,
    // when there is no file to read (the entries then stay).
    bool LoadFromFile(const QString& path);
    // Executes the entries (see the .cpp for the steps).
    void Run();
    // Loads a file, runs it and clears the entries. Run from inside a run of
    // the same runner, the file's entries replace the running ones, so the
    // outer run ends with the inner one.
    void RunFile(const QString& path);
    // The run stops before its next entry, or while it waits for a command.
    void Abort() { m_aborted = true; }

    // The runner whose run started last among those running (a script run
    // from the command line, say); none when no run is on.
    static TCustomScript* Innermost();

    // Lets the window work between entries (pending messages processed).
    std::function<void()> ProcessMessages;
    // Lets the window work while a command reports it is still busy; by
    // default waits a little for events instead of spinning.
    std::function<void()> WaitMessages;
    // Asked when a run ends after "quit": close the main window.
    std::function<void()> OnQuit;
    // The messages about lines skipped and files not run, handed over at
    // once before a run starts.
    std::function<void(const QStringList& messages)> OnProblems;

    // Hands the messages gathered since the last call to OnProblems.
    void ReportProblems();

protected:
    void Problem(const QString& message);
    // Where the line being read comes from, for messages: " (ligne 3 du
    // script "/a/b.txt")", or nothing.
    virtual QString Origin() const;

    TSuperList m_commands;
    bool m_quitWhenDone = false;
    QString m_file; // the file being read
    int m_lineNumber = 0;

private:
    class TRunScope;
    bool m_aborted = false;
    int m_runs = 0;
    int m_current = -1;
    QStringList m_problems;
};
