// The main window's part in the help panel and the shortcuts window: the
// measurements handed to the panel, the installation of filter files, and
// the command that shows and hides the shortcuts.

#include "app/TShowForm.h"
#include "automation/TActionList.h"
#include "automation/TRaccourcisForm.h"
#include "automation/TtoggleAction.h"
#include "media/TPluginFiles.h"
#include "platform/TDriveSpace.h"
#include "platform/TProcessorSampler.h"
#include "prefs/Preferences.h"
#include "prefs/TWideStringParameter.h"
#include "support/THelpFrame.h"

#include <QDebug>
#include <memory>

void TShowForm::SetRaccourcisForm(TRaccourcisForm* form)
{
    m_raccourcis = form;
    // Filled at the first showing, once the sort column has been read.
    if (m_raccourcis && m_shown) m_raccourcis->Fill(m_al);
}

void TShowForm::ShowShortcuts(bool show)
{
    TtoggleAction* command = ToggleCommand("taraccourcis");
    if (!m_raccourcis) {
        command->SetChecked(false);
        return;
    }
    if (show) {
        if (m_raccourcis->frameGeometry().left() < 0) m_raccourcis->move(0, m_raccourcis->y());
        m_raccourcis->show();
        m_raccourcis->raise();
        m_raccourcis->activateWindow();
    } else {
        m_raccourcis->hide();
    }
    command->SetChecked(show);
}

void TShowForm::bindHelpCommands()
{
    TtoggleAction* shortcuts = ToggleCommand("taraccourcis");
    // The window also closes by its own close box: the command follows
    // what is on screen before it acts.
    shortcuts->Onprepare
        = [this, shortcuts](QObject*) { shortcuts->SetChecked(m_raccourcis && m_raccourcis->isVisible()); };
    shortcuts->OnfalseExecute = [this](QObject*) { ShowShortcuts(true); };
    shortcuts->OnTrueExecute = [this](QObject*) { ShowShortcuts(false); };

    THelpFrame* help = HelpFrame();
    auto sampler = std::make_shared<TProcessorSampler>();
    help->SampleProcessors = [sampler](QList<double>& loads, QString& error) {
        if (!sampler->Sample(&error)) return false;
        loads = sampler->Loads();
        return true;
    };
    help->OnSampleError = [this](const QString& error) { reportError(error); };
    help->MeasureDrive = [this] {
        const TDriveSpace space = TDriveSpace::Of(m_spaceFolder);
        return std::pair<int64_t, int64_t>(space.TotalBytes, space.FreeBytes);
    };
    help->OnFilterFile = [](const QString& path, bool install) {
        QString reason;
        const bool done
            = install ? TPluginFiles::Install(path, &reason) : TPluginFiles::Uninstall(path, &reason);
        if (!done) qWarning().noquote() << path << ":" << reason;
        return done;
    };
    help->OnShortcutsLink = [this, shortcuts] {
        if (m_raccourcis && m_raccourcis->isVisible()) {
            m_raccourcis->raise();
            m_raccourcis->activateWindow();
        } else {
            shortcuts->Execute();
        }
    };
}

void TShowForm::FollowImageFolderDrive()
{
    m_spaceFolder = ParDossierSave ? ParDossierSave->Value : QString();
    HelpFrame()->StartMeasures();
}
