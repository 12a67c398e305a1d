#include "automation/TActionList.h"

#include "automation/KeyCodes.h"

#include <QCoreApplication>
#include <QKeyEvent>

TActionList::TActionList(QObject* parent)
    : QObject(parent)
{
}

TActionList::~TActionList()
{
    // The commands die here, while the list can still answer them.
    const QList<TCustomSuperAction*> actions = m_actions;
    for (TCustomSuperAction* action : actions) {
        action->m_list = nullptr;
        delete action;
    }
    m_actions.clear();
}

void TActionList::Append(TCustomSuperAction* action)
{
    if (!action || action->m_list == this) return;
    if (action->m_list) action->m_list->Forget(action);
    action->setParent(this);
    m_actions.append(action);
    action->SetActionList(this);
}

void TActionList::Forget(TCustomSuperAction* action)
{
    m_actions.removeAll(action);
    action->m_list = nullptr;
}

TCustomSuperAction* TActionList::Action(int index) const
{
    return index >= 0 && index < m_actions.size() ? m_actions.at(index) : nullptr;
}

TCustomSuperAction* TActionList::Find(const QString& name) const
{
    if (name.isEmpty()) return nullptr;
    for (TCustomSuperAction* action : m_actions)
        if (action->objectName().compare(name, Qt::CaseInsensitive) == 0) return action;
    return nullptr;
}

TCustomSuperAction* TActionList::FindBySwitch(const QString& name) const
{
    if (name.isEmpty()) return nullptr;
    const QString key = name.toLower();
    for (TCustomSuperAction* action : m_actions)
        if (action->Switch() == key) return action;
    return nullptr;
}

TCustomSuperAction* TActionList::FindByToken(const QString& name) const
{
    if (name.isEmpty()) return nullptr;
    const QString key = name.toLower();
    for (TCustomSuperAction* action : m_actions)
        if (action->Token() == key) return action;
    return nullptr;
}

TCustomSuperAction* TActionList::FindBySwitchOrToken(const QString& name) const
{
    // One scan: the first command naming it either way wins.
    if (name.isEmpty()) return nullptr;
    const QString key = name.toLower();
    for (TCustomSuperAction* action : m_actions)
        if (action->Switch() == key || action->Token() == key) return action;
    return nullptr;
}

TCustomSuperAction* TActionList::FindByKey(uint16_t code) const
{
    if (code == 0) return nullptr;
    for (TCustomSuperAction* action : m_actions)
        if (action->HasKey(code)) return action;
    return nullptr;
}

void TActionList::SetImages(const TImageList& images)
{
    m_images = images;
    for (TCustomSuperAction* action : m_actions)
        action->RefreshIcon();
}

bool TActionList::DispatchKey(uint16_t code)
{
    // Only the first command with the key is tried, as a key names one
    // command; when that one is disabled the key is not ours.
    TCustomSuperAction* action = FindByKey(code);
    return action && action->Execute();
}

bool TActionList::DispatchKeyEvent(const QKeyEvent& event)
{
    if (event.type() != QEvent::KeyPress) return false;
    return DispatchKey(KeyCodes::FromKeyEvent(event));
}

void TActionList::InstallOn(QObject* mainWindow, std::function<QObject*()> platformWindow)
{
    m_window = mainWindow;
    m_platformWindow = std::move(platformWindow);
    if (!m_filterInstalled && QCoreApplication::instance()) {
        QCoreApplication::instance()->installEventFilter(this);
        m_filterInstalled = true;
    }
}

bool TActionList::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !m_window || m_delivering.contains(event)) return false;
    // A press from the platform reaches the window's QWindow before Qt hands
    // it to the focused widget: that is where it is taken. A press delivered
    // to the window widget without passing there (sent by code, such as a
    // backdrop handing its keys on, or bubbling up from a child it was sent
    // to) is tried at the window widget.
    const bool atWindow = watched->isWindowType() && m_platformWindow && watched == m_platformWindow();
    if (!atWindow && watched != m_window) return false;
    if (DispatchKeyEvent(*static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    if (!atWindow) return false;
    // Not ours: deliver it on from here, so that when the focused widget
    // leaves it and it bubbles up to the window widget it is known as tried
    // (an AutoCheck command without handler would otherwise invert twice).
    m_delivering.append(event);
    QCoreApplication::instance()->notify(watched, event);
    m_delivering.removeLast();
    return true;
}
