#include "app/TStillexApplication.h"

#include "app/DirectXVersion.h"
#include "app/TBatchConsole.h"
#include "app/TDesktopTheme.h"
#include "app/TShowForm.h"
#include "app/Tplaque.h"
#include "automation/CommandCatalog.h"
#include "automation/TActionList.h"
#include "automation/TRaccourcisForm.h"
#include "automation/TSwitch.h"
#include "media/InstalledFilters.h"
#include "media/TFiltresWarningForm.h"
#include "media/TdmFileAvi.h"
#include "media/TdmFileMPEG2TS.h"
#include "media/TdmFileMpeg1.h"
#include "media/TdmFileMpeg2PS.h"
#include "media/TdmFileMpeg2Splitter.h"
#include "media/TdmFileUnknown.h"
#include "media/TdmFileWmv.h"
#include "media/TdmTest.h"
#include "prefs/TSavePrefsForm.h"
#include "support/Product.h"
#include "support/TErreurForm.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextStream>
#include <cstring>

TStillexApplication::TStillexApplication() = default;

// Members go in reverse creation order: the windows that refer to the main
// window are gone before it.
TStillexApplication::~TStillexApplication() = default;

template <class T> T* TStillexApplication::note(T* object)
{
    m_order << object->objectName();
    return object;
}

void TStillexApplication::CreateModules()
{
    // The recipes and the first paint read the presence flags.
    DetectInstalledFilters();
    m_main.reset(note(new TShowForm));
    m_savePrefs.reset(note(new TSavePrefsForm));
    m_plaque.reset(note(new Tplaque(m_main.get())));
    m_raccourcis.reset(note(new TRaccourcisForm));
    m_dmTest.reset(note(new TdmTest));
    TdmTest::SetStartInstance(m_dmTest.get());
    m_erreur.reset(note(new TErreurForm));
    m_templates.emplace_back(note(new TdmFileMpeg1));
    m_templates.emplace_back(note(new TdmFileWmv));
    m_templates.emplace_back(note(new TdmFileMPEG2TS));
    m_templates.emplace_back(note(new TdmFileAvi));
    m_templates.emplace_back(note(new TdmFileMpeg2Splitter));
    m_templates.emplace_back(note(new TdmFileUnknown));
    m_templates.emplace_back(note(new TdmFileMpeg2PS));
    m_filtresWarning.reset(note(new TFiltresWarningForm));

    m_main->SetPlaque(m_plaque.get());
    m_main->SetSavePrefsForm(m_savePrefs.get());
    m_main->SetErreurForm(m_erreur.get());
    m_main->SetFiltresWarningForm(m_filtresWarning.get());
    m_main->SetRaccourcisForm(m_raccourcis.get());
}

int HandleInformationSwitches(int argc, char** argv)
{
    bool version = false, help = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--version"))
            version = true;
        else if (!std::strcmp(argv[i], "--help"))
            help = true;
    }
    if (!version && !help) return -1;

    QTextStream out(stdout);
    out << Product::NameAndVersion() << " de " << Product::Maker << "\n";
    if (help) {
        // The catalog lives in the command list; building it needs a GUI
        // application object but no display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        int qargc = 1;
        QApplication app(qargc, argv);
        TActionList list;
        CreateCommandCatalog(list);
        out << "\nUsage: stillex [--version] [--help] {+|-|/}commande[=argument] ...\n"
            << "  +  active la commande, -  la désactive, /  l'inverse (commandes à deux états).\n"
            << "  Exemple: stillex +o=/videos/clip.avi +position=0:00:05:00 +g -q\n\n"
            << CommandLineHelpText(list);
    }
    out.flush();
    return 0;
}

int StillexMain(int argc, char** argv)
{
    if (const int info = HandleInformationSwitches(argc, argv); info >= 0) return info;

    QApplication app(argc, argv);
    QApplication::setApplicationName(Product::Name);
    QApplication::setApplicationVersion(Product::Version);
    QApplication::setOrganizationName(Product::Maker);
    QApplication::setDesktopFileName(QStringLiteral("stillex"));
    TDesktopTheme::Apply(app);

    const bool batch = TBatchConsole::Wanted();
    TBatchConsole console;
    if (DirectXMajor() < 9) {
        if (batch) {
            console.Report(DirectXWarningText(DirectXVersion()));
            return 1;
        }
        const auto answer = QMessageBox::warning(
            nullptr, Product::Name, DirectXWarningText(DirectXVersion()), QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) return 0;
    }

    TStillexApplication program;
    program.CreateModules();
    TShowForm* form = program.MainForm();
    if (batch) console.Install(*form);
    // The arguments run as switches at the first activation.
    form->Switch1->Arguments = QCoreApplication::arguments().mid(1);
    // The event loop runs until the main window closes, whatever other
    // window (backdrop, shortcuts) may still exist.
    QObject::connect(form, &TShowForm::closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    form->show();
    const int status = app.exec();
    return console.ErrorReported() ? 1 : status;
}
