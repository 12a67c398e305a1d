// The main window's inlay: which kind is drawn, the panel's controls and the
// commands that do the same from keys and scripts, the position sliders and
// the time offset. Every change of the record reaches the compositor before
// the handler returns.
#include "app/TShowForm.h"
#include "app/Tnav_fileframe.h"
#include "automation/CommandContext.h"
#include "automation/KeyCodes.h"
#include "automation/TSuperAction.h"
#include "automation/TtoggleAction.h"
#include "filters/DateTimeFormat.h"
#include "inlay/InlayArguments.h"
#include "inlay/OffsetText.h"
#include "inlay/TIncrusterFrame.h"
#include "prefs/Preferences.h"
#include "prefs/TincrustRecParameter.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFocusEvent>
#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

namespace
{
TincrustRec s_noRecord;

bool offsetAllowed(uint8_t kind)
{
    return kind == 0 || kind == 3 || kind == 5;
}
} // namespace

TIncrusterFrame* TShowForm::IncrusterFrame() const
{
    return static_cast<TIncrusterFrame*>(m_panels[3]);
}

TincrustRec& TShowForm::inlayRecord()
{
    // Without the preference (a window made without its parameters) the
    // commands still work on a record of their own.
    return ParIncrustRec ? ParIncrustRec->Value : s_noRecord;
}

void TShowForm::bindInlayCommands()
{
    TIncrusterFrame* panel = IncrusterFrame();
    const struct {
        const char* name;
        uint8_t kind;
        QToolButton* button;
    } kinds[]
        = { { "saIncrustDatecode", 0, panel->btnDatecode }, { "saIncrustTimecode", 1, panel->btnTimecode },
              { "saIncrustPerso", 2, panel->btnPerso }, { "saIncrustReel", 3, nullptr },
              { "saIncrustNumero", 6, panel->btnNumero }, { "saIncrustTimeStamp", 7, panel->btnTimeStamp } };
    for (const auto& k : kinds) {
        const uint8_t kind = k.kind;
        TSuperAction* a = PlainCommand(k.name);
        a->Onexecute = [this, kind](QObject*) {
            inlayRecord().WhatIncrust = kind;
            if (!InlayOn) ToggleCommand("taIncruster")->Execute();
            ApplyInlay();
        };
        if (k.button) connect(k.button, &QToolButton::clicked, a, [a] { a->Execute(); });
    }
    // The kind stays: switching the inlay on again brings it back.
    TSuperAction* none = PlainCommand("saIncrustNeant");
    none->Onexecute = [this](QObject*) {
        if (InlayOn) ToggleCommand("taIncruster")->Execute();
        ApplyInlay();
    };
    connect(panel->btnNeant, &QToolButton::clicked, none, [none] { none->Execute(); });

    // Font, size, style, colour, border.
    connect(panel, &TIncrusterFrame::fontChosen, this, [this, panel] {
        inlayRecord().FontRec.Name = panel->CurrentFont();
        ApplyInlay();
    });
    PlainCommand("saIncrustFont")->Onexecute = [this, panel](QObject*) {
        const QString wanted = CommandArguments.value(0);
        if (!wanted.trimmed().isEmpty()) {
            const QSignalBlocker block(panel->FontComboBox);
            panel->SelectFont(wanted);
        }
        inlayRecord().FontRec.Name = panel->CurrentFont();
        ApplyInlay();
    };
    connect(panel, &TIncrusterFrame::sizeChosen, this, [this, panel] {
        ApplySizeText(inlayRecord(), panel->cbSize->currentText());
        ApplyInlay();
    });
    PlainCommand("taFontsize")->Onexecute = [this, panel](QObject*) {
        if (const std::optional<QString> text = SizeListTextOf(CommandArguments.value(0))) {
            const QSignalBlocker block(panel->cbSize);
            panel->cbSize->setCurrentText(*text);
        }
        ApplySizeText(inlayRecord(), panel->cbSize->currentText());
        ApplyInlay();
    };
    const struct {
        const char* name;
        QToolButton* button;
        bool TfontRecord::*flag;
    } styles[] = { { "taBold", panel->tbBold, &TfontRecord::Bold },
        { "taItalic", panel->tbItalic, &TfontRecord::Italic },
        { "taUnderlined", panel->tbUnderline, &TfontRecord::Underline } };
    for (const auto& s : styles) {
        TtoggleAction* t = ToggleCommand(s.name);
        QToolButton* button = s.button;
        bool TfontRecord::*flag = s.flag;
        auto set = [this, t, button, flag](bool on) {
            button->setChecked(on);
            inlayRecord().FontRec.*flag = on;
            t->SetChecked(on);
            ApplyInlay();
        };
        t->OnfalseExecute = [set](QObject*) { set(true); };
        t->OnTrueExecute = [set](QObject*) { set(false); };
        connect(button, &QToolButton::clicked, this, [set](bool on) { set(on); });
        t->SetChecked(false);
    }
    connect(panel, &TIncrusterFrame::colorChosen, this, [this, panel] {
        inlayRecord().FontRec.Color = panel->Color();
        ApplyInlay();
    });
    PlainCommand("saFontColor")->Onexecute = [this, panel](QObject*) {
        const QString text = CommandArguments.value(0);
        if (!text.trimmed().isEmpty()) {
            uint32_t colour = 0;
            if (!NamedColor(text, colour) && !TIncrusterFrame::SystemColor(text, colour)) colour = 16777215;
            panel->SetColor(colour);
        }
        inlayRecord().FontRec.Color = panel->Color();
        ApplyInlay();
    };
    connect(panel, &TIncrusterFrame::borderChosen, this, [this](int size) {
        inlayRecord().BorderSize = size;
        ApplyInlay();
    });
    PlainCommand("saBorderSize")->Onexecute = [this, panel](QObject*) {
        if (!CommandArguments.isEmpty()) inlayRecord().BorderSize = BorderSizeOf(CommandArguments.value(0));
        panel->BorderButton->setText(BorderCaption(inlayRecord().BorderSize));
        ApplyInlay();
    };

    // Alignment.
    connect(panel, &TIncrusterFrame::alignmentChosen, this, [this](int alignment) {
        inlayRecord().Alignement = uint8_t(alignment);
        ApplyInlay();
    });
    const struct {
        const char* name;
        int alignment;
    } aligns[] = { { "saAlignerGauche", 0 }, { "saAlignCentre", 1 }, { "saAlignerDroite", 2 } };
    for (const auto& al : aligns) {
        const int alignment = al.alignment;
        PlainCommand(al.name)->Onexecute = [this, panel, alignment](QObject*) {
            inlayRecord().Alignement = uint8_t(alignment);
            panel->SetAlignment(alignment);
            ApplyInlay();
        };
    }
    TSuperAction* subtitle = PlainCommand("saAlignSousTitre");
    subtitle->Onexecute = [this, panel](QObject*) {
        // The slider shows the centre, where a subtitle stands; its own
        // handler would make the alignment "centred on the position".
        {
            const QSignalBlocker block(Xslider);
            Xslider->setValue(500);
        }
        inlayRecord().Xpos = 500;
        inlayRecord().Alignement = 3;
        panel->SetAlignment(3);
        ApplyInlay();
    };
    connect(panel, &TIncrusterFrame::subtitleChosen, subtitle, [subtitle] { subtitle->Execute(); });

    // Date formats and templates.
    auto formatOf = [this, panel](int line) {
        (line == 1 ? inlayRecord().FormatDate1 : inlayRecord().FormatDate2)
            = (line == 1 ? panel->cbDatecode1 : panel->cbDatecode2)->currentText();
        ApplyInlay();
    };
    auto templateOf = [this, panel](int line) {
        (line == 1 ? inlayRecord().Incrust1 : inlayRecord().Incrust2)
            = (line == 1 ? panel->edPerso1 : panel->edPerso2)->text();
        ApplyInlay();
    };
    connect(panel, &TIncrusterFrame::formatEdited, this, formatOf);
    connect(panel, &TIncrusterFrame::templateEdited, this, templateOf);
    for (int line : { 1, 2 }) {
        PlainCommand(line == 1 ? "saFormatDatecode1" : "saFormatDatecode2")->Onexecute
            = [panel, line, formatOf](QObject*) {
                  QComboBox* list = line == 1 ? panel->cbDatecode1 : panel->cbDatecode2;
                  if (!CommandArguments.isEmpty()) {
                      const QSignalBlocker block(list);
                      list->setCurrentText(CommandArguments.value(0));
                  }
                  formatOf(line);
              };
        PlainCommand(line == 1 ? "saPerso1" : "saPerso2")->Onexecute = [panel, line, templateOf](QObject*) {
            QLineEdit* field = line == 1 ? panel->edPerso1 : panel->edPerso2;
            if (!CommandArguments.isEmpty()) {
                const QSignalBlocker block(field);
                field->setText(CommandArguments.value(0));
            }
            templateOf(line);
        };
    }

    // The position sliders move the inlay without the rest of ApplyInlay.
    Xslider->setRange(0, 970);
    Yslider->setRange(0, 930);
    connect(Xslider, &QSlider::valueChanged, this, [this, panel](int value) {
        TincrustRec& rec = inlayRecord();
        if (rec.Alignement == 3) {
            rec.Alignement = 1;
            panel->SetAlignment(1);
        }
        rec.Xpos = value;
        if (m_media) m_media->SetInlaySettings(rec);
        RedrawStill();
    });
    connect(Yslider, &QSlider::valueChanged, this, [this](int value) {
        TincrustRec& rec = inlayRecord();
        rec.Ypos = 930 - value;
        if (m_media) m_media->SetInlaySettings(rec);
        RedrawStill();
    });
    if (TtoggleAction* sliders = ToggleCommand("taSliders")) {
        sliders->OnfalseExecute = [this, sliders](QObject*) {
            Xslider->show();
            Yslider->show();
            Xslider->raise();
            Yslider->raise();
            if (!InlayOn) ToggleCommand("taIncruster")->Execute();
            if (OnShowIntervalloBar) OnShowIntervalloBar(false);
            NavBar->hide();
            sliders->SetChecked(true);
        };
        sliders->OnTrueExecute = [this, sliders](QObject*) {
            Xslider->hide();
            Yslider->hide();
            NavBar->show();
            if (OnShowIntervalloBar) OnShowIntervalloBar(true);
            sliders->SetChecked(false);
        };
        sliders->SetChecked(false);
    }
    Shape1->installEventFilter(this);

    // The time offset.
    if (TtoggleAction* offset = ToggleCommand("taDecalage")) {
        offset->OnfalseExecute = [this, offset](QObject*) {
            // Without a reference date nothing opens, and the command,
            // which checks itself when run, says so.
            offset->SetChecked(OpenOffsetPanel());
        };
        offset->OnTrueExecute = [this, panel, offset](QObject*) {
            panel->ShowDecalagePanel(false);
            offset->SetChecked(false);
        };
        offset->SetChecked(false);
        connect(panel->btnDecalage, &QToolButton::clicked, offset, [offset] { offset->Execute(); });
    }
    connect(panel, &TIncrusterFrame::offsetFieldsChanged, this, &TShowForm::OffsetFieldsChange);
    connect(panel, &TIncrusterFrame::offsetReset, this, [this] {
        showOffsetDate(OldDate);
        OffsetFieldsChange();
    });

    // Typing into these fields must not start the video or change the volume.
    // An editable list takes the focus itself, for its line.
    for (QWidget* field :
        { static_cast<QWidget*>(panel->cbDatecode1), static_cast<QWidget*>(panel->cbDatecode2),
            static_cast<QWidget*>(panel->edPerso1), static_cast<QWidget*>(panel->edPerso2) }) {
        field->installEventFilter(this);
        m_inlayTextFields.push_back(field);
    }
}

bool TShowForm::inlayEventFilter(QObject* watched, QEvent* e)
{
    if (watched == Shape1 && e->type() == QEvent::MouseButtonRelease) {
        if (TtoggleAction* sliders = ToggleCommand("taSliders")) sliders->Execute();
        return true;
    }
    if (std::find(m_inlayTextFields.begin(), m_inlayTextFields.end(), watched) == m_inlayTextFields.end())
        return false;
    if (e->type() == QEvent::FocusIn) TypingShortcuts(true);
    if (e->type() == QEvent::FocusOut) TypingShortcuts(false);
    return false;
}

void TShowForm::TypingShortcuts(bool typing)
{
    TCustomSuperAction* up = Action("saIncVolume");
    TCustomSuperAction* down = Action("saDecVolume");
    TCustomSuperAction* play = Action("taPlayPause");
    if (!up || !down || !play) return;
    if (typing) {
        if (m_typingKeys) return;
        m_typingKeys
            = TTypingKeys { up->ShortCut(), up->SecondaryShortcuts(), down->ShortCut(), play->ShortCut() };
        up->SetShortCut(0);
        up->SetSecondaryShortcuts({});
        down->SetShortCut(0);
        play->SetShortCut(0);
    } else if (m_typingKeys) {
        up->SetShortCut(m_typingKeys->up);
        up->SetSecondaryShortcuts(m_typingKeys->upSecondary);
        down->SetShortCut(m_typingKeys->down);
        play->SetShortCut(m_typingKeys->play);
        m_typingKeys.reset();
    }
}

void TShowForm::ApplyInlay()
{
    IncrusterFrame()->btnDecalage->setEnabled(offsetAllowed(inlayRecord().WhatIncrust));
    if (m_media) m_media->SetInlaySettings(inlayRecord());
    RedrawStill();
}

void TShowForm::RefreshInlayPanel(const TincrustRec& rec)
{
    TIncrusterFrame* panel = IncrusterFrame();
    panel->Refresh(rec);
    ToggleCommand("taBold")->SetChecked(rec.FontRec.Bold);
    ToggleCommand("taItalic")->SetChecked(rec.FontRec.Italic);
    ToggleCommand("taUnderlined")->SetChecked(rec.FontRec.Underline);
    {
        const QSignalBlocker bx(Xslider);
        const QSignalBlocker by(Yslider);
        Xslider->setValue(rec.Xpos);
        Yslider->setValue(930 - rec.Ypos);
    }
    panel->labDecalage->setText(rec.DecalageHoraire != 0 ? OffsetText(rec.DecalageHoraire) : QString());
    panel->btnDecalage->setEnabled(offsetAllowed(rec.WhatIncrust));
}

bool TShowForm::OpenOffsetPanel()
{
    const uint8_t kind = inlayRecord().WhatIncrust;
    // The recording date of the frame shown, when the video has one.
    bool valid = false;
    double datecode = 0;
    if (m_media && m_media->HasVideo()) {
        const TInlayValues shown = m_media->Superposer.LastValues();
        if (shown.DatecodeValid) {
            valid = true;
            datecode = shown.Datecode;
        } else if (m_media->VData.DatecodeValid) {
            valid = true;
            datecode = m_media->VData.Datecode;
        }
    }
    double reference = OldDate;
    const double now = DateTimeFromQt(QDateTime::currentDateTime());
    if (kind == 0) {
        if (!valid) return false;
        reference = datecode;
    } else if (kind == 3) {
        reference = now;
    } else if (kind == 5) {
        reference = valid ? datecode : now;
    }
    const TDecodedDateTime d = DecodeDateTime(reference);
    OldDate = EncodeDateTime(d.year, d.month, d.day, d.hour, d.minute, d.second);
    TIncrusterFrame* panel = IncrusterFrame();
    panel->labAncienneDate->setText(QStringLiteral("Ancienne date: ")
        + FormatDateTime(QStringLiteral("ddddd tt"), OldDate, TFormatSettings::FromLocale(QLocale())));
    showOffsetDate(OldDate);
    panel->ShowDecalagePanel(true);
    return true;
}

void TShowForm::showOffsetDate(double dateTime)
{
    const TDecodedDateTime d = DecodeDateTime(dateTime);
    IncrusterFrame()->ShowOffsetFields(d.year, d.month, d.day, d.hour, d.minute, d.second);
}

void TShowForm::OffsetFieldsChange()
{
    TIncrusterFrame* panel = IncrusterFrame();
    const QDate date = panel->deDate->date();
    NewDate = EncodeDateTime(date.year(), date.month(), date.day(), panel->seHeures->value(),
        panel->seMinutes->value(), panel->seSecondes->value());
    TincrustRec& rec = inlayRecord();
    rec.DecalageHoraire = NewDate - OldDate;
    panel->labDecalage->setText(NewDate != OldDate ? OffsetText(NewDate - OldDate) : QString());
    if (m_media) m_media->SetInlaySettings(rec);
    ApplyInlay();
}
