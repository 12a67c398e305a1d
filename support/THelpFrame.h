#pragma once
// The help panel: a page of help, a page of live measurements (the
// processor load among them) and a page for installing filters. The
// measurements are taken only while their page is in view.

#include "support/TSidePanel.h"

class QTabWidget;
class TLinkEdit;
class QTimer;

class THelpFrame : public TSidePanel
{
    Q_OBJECT
public:
    explicit THelpFrame(QWidget* parent);

    static constexpr int HelpPage = 0;
    static constexpr int CpuPage = 1;
    static constexpr int InstallPage = 2;

    void SelectFirstPage();

    QTabWidget* Pages = nullptr;
    // The required filters and whether each is there (on the "CPU" page),
    // written by the check made at start; Arial 8 by default.
    TLinkEdit* FilterList = nullptr;
    // Ticks the processor-load measurement.
    QTimer* CpuTimer = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void followPage(bool shown);
};
