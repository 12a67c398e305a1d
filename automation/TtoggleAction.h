#pragma once
// A two-state command. Each state has its caption, hint, icon and handler;
// the handler run is the one of the state the command is in, so by the
// application's convention OnfalseExecute switches the feature on and
// OnTrueExecute switches it off, each then bringing the command to its new
// state with SetChecked.

#include "automation/TCustomSuperAction.h"

class TtoggleAction : public TCustomSuperAction
{
    Q_OBJECT
public:
    explicit TtoggleAction(QObject* parent = nullptr);

    // Switches the command to the state with its caption, hint, icon and
    // handler (an empty caption or hint is applied as it is), then stores
    // the flag. Until the first call the command has no handler.
    void SetChecked(bool checked) override;

    // SetChecked(Checked()) first, so that the current state's handler runs.
    bool Execute() override;

    // The handler of the state last installed by SetChecked, looked up when
    // asked so that a handler bound after that call still counts.
    TNotifyEvent CurrentHandler() const override;

    QString TrueCaption;
    QString FalseCaption;
    int TrueImageIndex = -1;
    int FalseImageIndex = -1;
    QString TrueHint;
    QString FalseHint;
    TNotifyEvent OnTrueExecute;
    TNotifyEvent OnfalseExecute;

private:
    enum class State { None, False, True };
    State m_state = State::None;
};
