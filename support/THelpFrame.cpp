#include "support/THelpFrame.h"

#include "support/TLinkEdit.h"

#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

THelpFrame::THelpFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("HelpFrame"), QStringLiteral("Aide"), parent)
{
    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));
    Pages->addTab(new QWidget(Pages), QStringLiteral("Aide"));
    auto* cpu = new QWidget(Pages);
    auto* cpuItems = new QVBoxLayout(cpu);
    FilterList = new TLinkEdit(cpu);
    FilterList->setObjectName(QStringLiteral("FilterList"));
    FilterList->setFont(QFont(QStringLiteral("Arial"), 8));
    cpuItems->addWidget(FilterList, 1);
    Pages->addTab(cpu, QStringLiteral("CPU"));
    Pages->addTab(new QWidget(Pages), QStringLiteral("installer"));
    body()->addWidget(Pages, 1);
    FillHeight();
    CpuTimer = new QTimer(this);
    CpuTimer->setObjectName(QStringLiteral("CpuTimer"));
    CpuTimer->setInterval(1000);
    connect(Pages, &QTabWidget::currentChanged, this, [this] { followPage(isVisible()); });
}

void THelpFrame::SelectFirstPage()
{
    Pages->setCurrentIndex(HelpPage);
}

void THelpFrame::followPage(bool shown)
{
    // Nobody sees the load unless the panel and its page are both shown.
    if (shown && Pages->currentIndex() == CpuPage)
        CpuTimer->start();
    else
        CpuTimer->stop();
}

void THelpFrame::showEvent(QShowEvent* e)
{
    TSidePanel::showEvent(e);
    followPage(true);
}

void THelpFrame::hideEvent(QHideEvent* e)
{
    TSidePanel::hideEvent(e);
    CpuTimer->stop();
}
