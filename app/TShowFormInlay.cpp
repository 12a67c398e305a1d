// The main window's inlay commands: which kind of inlay is drawn, and
// handing the settings to the compositor.
#include "app/TShowForm.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"
#include "prefs/Preferences.h"

void TShowForm::bindInlayCommands()
{
    const struct {
        const char* name;
        uint8_t kind;
    } kinds[] = { { "saIncrustDatecode", 0 }, { "saIncrustTimecode", 1 }, { "saIncrustPerso", 2 },
        { "saIncrustReel", 3 }, { "saIncrustNumero", 6 }, { "saIncrustTimeStamp", 7 } };
    for (const auto& k : kinds) {
        const uint8_t kind = k.kind;
        PlainCommand(k.name)->Onexecute = [this, kind](QObject*) {
            if (!ParIncrustRec) return;
            ParIncrustRec->Value.WhatIncrust = kind;
            if (!InlayOn) ToggleCommand("taIncruster")->Execute();
            ApplyInlay();
        };
    }
    // The kind stays: switching the inlay on again brings it back.
    PlainCommand("saIncrustNeant")->Onexecute = [this](QObject*) {
        if (InlayOn) ToggleCommand("taIncruster")->Execute();
        ApplyInlay();
    };
}

void TShowForm::ApplyInlay()
{
    if (m_media && ParIncrustRec) m_media->SetInlaySettings(ParIncrustRec->Value);
    RedrawStill();
}
