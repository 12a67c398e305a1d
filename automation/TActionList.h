#pragma once
// The command list: owns the commands in catalog order, their image list, and
// runs a command when its key is pressed in the main window.
//
// Keys are dispatched here rather than through QAction shortcuts. The list
// watches key presses reaching the main window and runs the first command
// (in list order) whose ShortCut or secondary shortcut is the key. This
// happens before the focused widget sees the key, so a command's key wins
// over a text field; a window that wants a key typed into a field removes the
// command's shortcut while the field has the focus and gives it back after.
// A press whose command is disabled goes on to the focused widget.

#include "automation/TCustomSuperAction.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

class QKeyEvent;

class TActionList : public QObject
{
    Q_OBJECT
public:
    explicit TActionList(QObject* parent = nullptr);
    ~TActionList() override;

    // Appends a command and takes ownership of it.
    template <class T> T* Add(T* action)
    {
        Append(action);
        return action;
    }

    int Count() const { return int(m_actions.size()); }
    TCustomSuperAction* Action(int index) const;
    const QList<TCustomSuperAction*>& Actions() const { return m_actions; }
    int IndexOf(const TCustomSuperAction* action) const { return int(m_actions.indexOf(action)); }

    // By component name ("saGrab"), without regard to case.
    TCustomSuperAction* Find(const QString& name) const;
    // The first command, in list order, whose Switch (or Token, or either)
    // equals the name without regard to case. An empty name finds nothing.
    TCustomSuperAction* FindBySwitch(const QString& name) const;
    TCustomSuperAction* FindByToken(const QString& name) const;
    TCustomSuperAction* FindBySwitchOrToken(const QString& name) const;
    // The first command that has the key code as ShortCut or secondary
    // shortcut; none for 0.
    TCustomSuperAction* FindByKey(uint16_t code) const;

    // While suspended, executing any command does nothing.
    bool Suspended() const { return m_suspended; }
    void SetSuspended(bool suspended) { m_suspended = suspended; }

    const TImageList& Images() const { return m_images; }
    void SetImages(const TImageList& images);

    // Runs the command of a key on the interactive path. Returns whether it
    // was handled; an unhandled key should go on to its widget.
    bool DispatchKey(uint16_t code);
    bool DispatchKeyEvent(const QKeyEvent& event);

    // Makes the keys of the commands work while the window is active. Key
    // presses are taken where Qt delivers them to the window, before its
    // focused widget, and from key events delivered straight to the window
    // widget (a backdrop handing its keys on); a key sent by code to a child
    // widget reaches the commands only if that widget leaves it.
    // `platformWindow` gives the window's platform window (it exists only
    // once the window is shown), where presses arrive first.
    void InstallOn(QObject* mainWindow, std::function<QObject*()> platformWindow);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TCustomSuperAction;
    void Append(TCustomSuperAction* action);
    void Forget(TCustomSuperAction* action);

    QList<TCustomSuperAction*> m_actions;
    TImageList m_images;
    bool m_suspended = false;
    QPointer<QObject> m_window;
    std::function<QObject*()> m_platformWindow;
    QList<const QEvent*> m_delivering; // presses being delivered on, already tried
    bool m_filterInstalled = false;
};
