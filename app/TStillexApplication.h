#pragma once
// The program entry: the version gate, then the windows and modules in their
// fixed order, then the event loop.

#include <QObject>
#include <QStringList>
#include <memory>

class TShowForm;
class TSavePrefsForm;
class Tplaque;
class TRaccourcisForm;
class TdmTest;
class TErreurForm;
class TdmGraphTemplate;
class TFiltresWarningForm;

class TStillexApplication
{
public:
    TStillexApplication();
    ~TStillexApplication();

    // Creates every window and module in the start-up order.
    void CreateModules();
    // Object names in the order the modules were created.
    QStringList CreationOrder() const { return m_order; }

    TShowForm* MainForm() const { return m_main.get(); }
    TSavePrefsForm* SavePrefsForm() const { return m_savePrefs.get(); }
    Tplaque* Plaque() const { return m_plaque.get(); }
    TErreurForm* ErreurForm() const { return m_erreur.get(); }

private:
    template <class T> T* note(T* object);

    QStringList m_order;
    std::unique_ptr<TShowForm> m_main;
    std::unique_ptr<TSavePrefsForm> m_savePrefs;
    std::unique_ptr<Tplaque> m_plaque;
    std::unique_ptr<TRaccourcisForm> m_raccourcis;
    std::unique_ptr<TdmTest> m_dmTest;
    std::unique_ptr<TErreurForm> m_erreur;
    std::vector<std::unique_ptr<TdmGraphTemplate>> m_templates;
    std::unique_ptr<TFiltresWarningForm> m_filtresWarning;
};

// Answers the informational switches (--version, --help) that print and exit
// before anything else runs. Returns -1 when argv holds neither.
int HandleInformationSwitches(int argc, char** argv);

// The whole program: gate, modules, event loop. Returns the exit code.
int StillexMain(int argc, char** argv);
