#pragma once
// The help panel: a page of help, a page of live measurements (the free
// space where the images go, the load of the busiest processor, the
// required filters) and a page for installing filters. The measurements are
// taken only while their page is in view.
//
// The panel measures nothing itself: the window that owns it hands it the
// measurements and the installation through the hooks below, so the panel
// stays a view over what the system layers provide.

#include "support/TCpuLoadAverages.h"
#include "support/TSidePanel.h"

#include <QList>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <utility>

class QLabel;
class QTabWidget;
class QTimer;
class TDropPanel;
class TLinkEdit;
class TTextGauge;

class THelpFrame : public TSidePanel
{
    Q_OBJECT
public:
    explicit THelpFrame(QWidget* parent);

    static constexpr int HelpPage = 0;
    static constexpr int CpuPage = 1;
    static constexpr int InstallPage = 2;
    static const QString SuccessText;
    static const QString FailureText;

    void SelectFirstPage();

    QTabWidget* Pages = nullptr;
    TLinkEdit* HelpText = nullptr;
    TTextGauge* SpaceGauge = nullptr;
    QLabel* SpaceLabel = nullptr;
    TTextGauge* CpuGauge = nullptr;
    QLabel* CpuLabel = nullptr;
    // The required filters and whether each is there (on the "CPU" page),
    // written by the check made at start; Arial 8 by default.
    TLinkEdit* FilterList = nullptr;
    TDropPanel* InstallZone = nullptr;
    TDropPanel* UninstallZone = nullptr;
    // Tick the processor load (500 ms) and the free space (2000 ms).
    QTimer* CpuTimer = nullptr;
    QTimer* SpaceTimer = nullptr;

    // A sample of every processor's load (0 to 1), the total last; false
    // with the reason when none could be taken.
    std::function<bool(QList<double>& loads, QString& error)> SampleProcessors;
    // The total and the free space, in bytes, of the file system holding
    // the images; negative when not known.
    std::function<std::pair<int64_t, int64_t>()> MeasureDrive;
    // A failed processor sample: said once, then not again until a sample
    // has worked (the timer goes on).
    std::function<void(const QString& error)> OnSampleError;
    // Installs (or removes) the filters of one file; whether it worked.
    std::function<bool(const QString& path, bool install)> OnFilterFile;
    // The question before each file (a message box when not set).
    std::function<bool(const QString& question)> OnConfirm;
    // The outcome of each file (a message box when not set).
    std::function<void(const QString& text)> OnResult;
    // The "F11" link: the shortcuts window to the front.
    std::function<void()> OnShortcutsLink;

    // At start: the free-space gauge takes its bounds and its text.
    void StartMeasures();
    void CpuTick();
    void SpaceTick();
    const TCpuLoadAverages& Averages() const { return m_averages; }
    // Asks, then installs or removes the filters of each file in turn.
    void HandleFilterFiles(const QStringList& paths, bool install);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void followPage(bool shown);
    void buildHelpPage();

    TCpuLoadAverages m_averages;
    bool m_sampleFailing = false;
};
