#include "automation/TtoggleAction.h"

TtoggleAction::TtoggleAction(QObject* parent)
    : TCustomSuperAction(parent)
{
    SetTwoState();
}

void TtoggleAction::SetChecked(bool checked)
{
    SetCaption(checked ? TrueCaption : FalseCaption);
    SetHint(checked ? TrueHint : FalseHint);
    Setimageindex(checked ? TrueImageIndex : FalseImageIndex);
    m_state = checked ? State::True : State::False;
    StoreChecked(checked);
}

TNotifyEvent TtoggleAction::CurrentHandler() const
{
    switch (m_state) {
    case State::True:
        return OnTrueExecute;
    case State::False:
        return OnfalseExecute;
    case State::None:
        break;
    }
    return {};
}

bool TtoggleAction::Execute()
{
    if (!Enabled()) return false; // a disabled command changes nothing, not even its caption
    SetChecked(Checked());
    return TCustomSuperAction::Execute();
}
