#pragma once
// A command of the command list: what a menu item, a toolbar button, a key, a
// script line and a command-line switch all run.
//
// It is a QAction so that menus and tool buttons show its caption, icon, hint
// and checked state, but the QAction side is display only:
// - The interactive path is Execute(); QAction::trigger() (a menu or toolbar
//   click) leads to it exactly once. QAction's own check toggling on a click
//   is undone before Execute() runs, so AutoCheck inverts the state once.
// - No QAction shortcut is set: keys are dispatched by the command list
//   (TActionList::InstallOn), which keeps several commands from fighting
//   over one key and lets a shortcut be removed and given back at run time.
//   Menus show the key text after a tab in the item text.
// - Enabled is kept apart from QAction::isEnabled(), because Qt disables an
//   invisible action while a hidden command must still run from its key.
// Read and change the command through the accessors below, not through
// QAction::text(), setChecked(), setEnabled() or setShortcut().

#include <QAction>
#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class TActionList;

using TImageList = QList<QIcon>;
using TNotifyEvent = std::function<void(QObject* sender)>;
using TImageChangedEvent = std::function<void(const TImageList* images, int index)>;

class TCustomSuperAction : public QAction
{
    Q_OBJECT
public:
    explicit TCustomSuperAction(QObject* parent = nullptr);
    ~TCustomSuperAction() override;

    // Shown as given: an '&' is a character, not a mnemonic.
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);

    // Key code of KeyCodes.h; 0 for none.
    uint16_t ShortCut() const { return m_shortCut; }
    void SetShortCut(uint16_t code);
    QString ShortCutText() const;

    // Further keys, kept as the texts given ("CTRL+G"); a text that does not
    // read as a key is kept but matches nothing.
    QStringList SecondaryShortcuts() const { return m_secondaryTexts; }
    void SetSecondaryShortcuts(const QStringList& texts);
    QList<uint16_t> SecondaryShortCutCodes() const { return m_secondaryCodes; }
    // Whether a non-zero code is this command's ShortCut or one of its
    // secondary shortcuts.
    bool HasKey(uint16_t code) const;

    // Tooltip and status tip; "\r\n" inside is a line break.
    QString Hint() const { return m_hint; }
    void SetHint(const QString& hint);

    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    bool AutoCheck() const { return m_autoCheck; }
    void SetAutoCheck(bool autoCheck);
    // Commands never share an exclusive group; kept for the execution rule.
    int GroupIndex() const { return 0; }

    bool Checked() const { return m_checked; }
    // The write accessor of Checked. Here it only stores the flag (and shows
    // it on the linked menu items and buttons); two-state commands switch
    // their caption, hint, icon and handler with it.
    virtual void SetChecked(bool checked);

    // Stored lower-cased: names are looked up without regard to case.
    QString Switch() const { return m_switch; }
    void SetSwitch(const QString& value);
    QString Token() const { return m_token; }
    void SetToken(const QString& value);

    // Index into the command list's image list, -1 for none. Setting a new
    // value shows that icon and fires OnImageChanged.
    int imageindex() const { return m_imageIndex; }
    void Setimageindex(int index);

    TActionList* ActionList() const { return m_list; }

    // The handler of a plain command, with the sender as argument. A
    // two-state command runs OnTrueExecute or OnfalseExecute instead.
    TNotifyEvent Onexecute;
    // Runs before the handler on the interactive path; may fill
    // CommandArguments or clear CommandProceed.
    TNotifyEvent Onprepare;
    TImageChangedEvent OnImageChanged;

    // The interactive path (key, menu, toolbar, double click in the shortcuts
    // window). Returns whether the command was handled: false when disabled,
    // when the command list is suspended or when no handler ran; true when
    // the preparation cancelled it.
    virtual bool Execute();

    // The handler that executing the command would run now; empty when
    // there is none.
    virtual TNotifyEvent CurrentHandler() const { return Onexecute; }
    // Runs the current handler, if any, with the given sender (a runner calls
    // this after filling the context itself). Returns whether one ran.
    bool RunHandler(QObject* sender);

protected:
    // The base setter of Checked: stores and shows the flag, nothing more.
    void StoreChecked(bool checked);
    // Two-state commands always show a check state; plain ones only while
    // checked, so that their menu items carry no empty check box.
    void SetTwoState();

private:
    friend class TActionList;
    void SetActionList(TActionList* list);
    void RefreshIcon();
    void RefreshText();
    void RefreshCheckable();
    void Triggered();

    QString m_caption;
    uint16_t m_shortCut = 0;
    QStringList m_secondaryTexts;
    QList<uint16_t> m_secondaryCodes;
    QString m_hint;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_autoCheck = false;
    bool m_checked = false;
    QString m_switch;
    QString m_token;
    int m_imageIndex = -1;
    bool m_twoState = false;
    TActionList* m_list = nullptr;
};
