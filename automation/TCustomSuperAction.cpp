#include "automation/TCustomSuperAction.h"

#include "automation/CommandContext.h"
#include "automation/KeyCodes.h"
#include "automation/TActionList.h"

#include <QPointer>

namespace
{

// Qt reads '&' as a mnemonic marker; captions are shown as they stand.
QString escapedForQt(const QString& caption)
{
    QString text = caption;
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    return text;
}

} // namespace

TCustomSuperAction::TCustomSuperAction(QObject* parent)
    : QAction(parent)
{
    connect(this, &QAction::triggered, this, &TCustomSuperAction::Triggered);
}

TCustomSuperAction::~TCustomSuperAction()
{
    if (m_list) m_list->Forget(this);
}

void TCustomSuperAction::SetCaption(const QString& caption)
{
    m_caption = caption;
    RefreshText();
}

void TCustomSuperAction::SetShortCut(uint16_t code)
{
    m_shortCut = code;
    RefreshText();
}

QString TCustomSuperAction::ShortCutText() const
{
    return KeyCodes::ToText(m_shortCut);
}

void TCustomSuperAction::SetSecondaryShortcuts(const QStringList& texts)
{
    m_secondaryTexts = texts;
    m_secondaryCodes.clear();
    for (const QString& text : texts)
        m_secondaryCodes << KeyCodes::FromText(text);
}

bool TCustomSuperAction::HasKey(uint16_t code) const
{
    return code != 0 && (m_shortCut == code || m_secondaryCodes.contains(code));
}

void TCustomSuperAction::SetHint(const QString& hint)
{
    m_hint = hint;
    RefreshText();
}

void TCustomSuperAction::SetVisible(bool visible)
{
    m_visible = visible;
    QAction::setVisible(visible);
}

void TCustomSuperAction::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    QAction::setEnabled(enabled);
}

void TCustomSuperAction::SetAutoCheck(bool autoCheck)
{
    m_autoCheck = autoCheck;
    RefreshCheckable();
}

void TCustomSuperAction::SetChecked(bool checked)
{
    StoreChecked(checked);
}

void TCustomSuperAction::StoreChecked(bool checked)
{
    m_checked = checked;
    // Qt keeps no check state on a non-checkable action: become checkable
    // before checking, stop being so only after unchecking.
    if (checked) RefreshCheckable();
    QAction::setChecked(checked);
    RefreshCheckable();
}

void TCustomSuperAction::SetTwoState()
{
    m_twoState = true;
    RefreshCheckable();
}

void TCustomSuperAction::SetSwitch(const QString& value)
{
    m_switch = value.toLower();
}

void TCustomSuperAction::SetToken(const QString& value)
{
    m_token = value.toLower();
}

void TCustomSuperAction::Setimageindex(int index)
{
    if (index == m_imageIndex) return;
    m_imageIndex = index;
    RefreshIcon();
    if (OnImageChanged) {
        const TImageChangedEvent handler = OnImageChanged;
        handler(m_list ? &m_list->Images() : nullptr, index);
    }
}

bool TCustomSuperAction::Execute()
{
    if (!m_enabled) return false;
    CommandProceed = true;
    CommandArguments.clear();

    // A preparation may show a dialog; the command may be gone when it
    // returns (the window closed meanwhile).
    QPointer<TCustomSuperAction> alive(this);
    if (Onprepare) {
        const TNotifyEvent prepare = Onprepare;
        prepare(this);
        if (!alive) return true;
    }
    if (!CommandProceed) return true;

    if (m_list && m_list->Suspended()) return false;
    if (m_enabled && m_autoCheck && (!m_checked || GroupIndex() == 0)) StoreChecked(!m_checked);
    if (!m_enabled) return false;
    return RunHandler(this);
}

bool TCustomSuperAction::RunHandler(QObject* sender)
{
    // Through a copy: the handler may rebind itself or switch the command's
    // state while it runs.
    const TNotifyEvent handler = CurrentHandler();
    if (!handler) return false;
    handler(sender);
    return true;
}

void TCustomSuperAction::SetActionList(TActionList* list)
{
    m_list = list;
    RefreshIcon();
}

void TCustomSuperAction::RefreshIcon()
{
    const TImageList* images = m_list ? &m_list->Images() : nullptr;
    if (images && m_imageIndex >= 0 && m_imageIndex < images->size())
        setIcon(images->at(m_imageIndex));
    else
        setIcon(QIcon());
}

void TCustomSuperAction::RefreshText()
{
    const QString caption = escapedForQt(m_caption);
    // QMenu shows what follows a tab as the item's key.
    const QString key = KeyCodes::ToText(m_shortCut);
    setText(caption.isEmpty() || key.isEmpty() ? caption : caption + QLatin1Char('\t') + key);
    setIconText(caption);

    QString tip = m_hint;
    tip.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    // Without a hint Qt would build the tooltip from the item text, key
    // included; the caption alone reads better.
    setToolTip(tip.isEmpty() ? m_caption : tip);
    QString status = m_hint;
    status.replace(QLatin1String("\r\n"), QLatin1String(" "));
    setStatusTip(status);
}

void TCustomSuperAction::RefreshCheckable()
{
    setCheckable(m_twoState || m_autoCheck || m_checked);
}

void TCustomSuperAction::Triggered()
{
    // QAction has already inverted its own check state for the click; the
    // command's state is ours, and Execute() decides whether it changes.
    if (QAction::isChecked() != m_checked) QAction::setChecked(m_checked);
    Execute();
}
