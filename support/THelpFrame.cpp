#include "support/THelpFrame.h"

#include "support/Product.h"
#include "support/TDropPanel.h"
#include "support/TFreeSpaceDisplay.h"
#include "support/TLinkEdit.h"
#include "support/TLinkMarkup.h"
#include "support/TTextGauge.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

const QString THelpFrame::SuccessText = QStringLiteral("Opération réussie");
const QString THelpFrame::FailureText = QStringLiteral("Echec de l'opération");

namespace
{
// The longest file name handed to the installation; longer ones are
// skipped rather than cut.
constexpr int MaxPathLength = 65530;

QLabel* WrappedLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

TTextGauge* PieGauge(const QString& hint, int alert, TGaugeTextKind kind, QWidget* parent)
{
    auto* gauge = new TTextGauge(parent);
    gauge->SetGaugeKind(TGaugeKind::Pie);
    gauge->SetAlertValue(alert);
    gauge->SetTextKind(kind);
    gauge->setToolTip(hint);
    gauge->setFixedSize(90, 90);
    return gauge;
}
} // namespace

THelpFrame::THelpFrame(QWidget* parent)
    : TSidePanel(QStringLiteral("HelpFrame"), QStringLiteral("Aide"), parent)
{
    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));

    auto* help = new QWidget(Pages);
    auto* helpItems = new QVBoxLayout(help);
    HelpText = new TLinkEdit(help);
    HelpText->setObjectName(QStringLiteral("HelpText"));
    helpItems->addWidget(HelpText, 1);
    Pages->addTab(help, QStringLiteral("Aide"));

    auto* cpu = new QWidget(Pages);
    auto* cpuItems = new QVBoxLayout(cpu);
    auto* gauges = new QGridLayout();
    gauges->addWidget(WrappedLabel(QStringLiteral("Espace libre pour les images:"), cpu), 0, 0);
    gauges->addWidget(WrappedLabel(QStringLiteral("Utilisation du CPU le plus chargé:"), cpu), 0, 1);
    SpaceGauge = PieGauge(QStringLiteral("Espace libre sur le disque où sont enregistrées les images."), 100,
        TGaugeTextKind::PercentRemaining, cpu);
    SpaceGauge->setObjectName(QStringLiteral("SpaceGauge"));
    CpuGauge = PieGauge(
        QStringLiteral("Utilisation du CPU le plus chargé. \nIl est conseillé de rester en-dessous de 80%"),
        81, TGaugeTextKind::PercentDone, cpu);
    CpuGauge->setObjectName(QStringLiteral("CpuGauge"));
    gauges->addWidget(SpaceGauge, 1, 0, Qt::AlignHCenter);
    gauges->addWidget(CpuGauge, 1, 1, Qt::AlignHCenter);
    SpaceLabel = new QLabel(cpu);
    SpaceLabel->setObjectName(QStringLiteral("SpaceLabel"));
    CpuLabel = new QLabel(cpu);
    CpuLabel->setObjectName(QStringLiteral("CpuLabel"));
    gauges->addWidget(SpaceLabel, 2, 0, Qt::AlignHCenter);
    gauges->addWidget(CpuLabel, 2, 1, Qt::AlignHCenter);
    cpuItems->addLayout(gauges);
    FilterList = new TLinkEdit(cpu);
    FilterList->setObjectName(QStringLiteral("FilterList"));
    FilterList->setFont(QFont(QStringLiteral("Arial"), 8));
    cpuItems->addWidget(FilterList, 1);
    Pages->addTab(cpu, QStringLiteral("CPU"));

    auto* install = new QWidget(Pages);
    auto* installItems = new QVBoxLayout(install);
    installItems->addWidget(WrappedLabel(
        QStringLiteral("Glissez un fichier sur le panneau\npour installer les filtres qu'il contient"),
        install));
    InstallZone = new TDropPanel(QStringLiteral("installer"), QColor(0, 128, 0), install);
    InstallZone->setObjectName(QStringLiteral("InstallZone"));
    InstallZone->setToolTip(QStringLiteral(
        "Faire glisser un fichier (en général d'extension ax) pour\ninstaller les filtres qu'il contient."));
    installItems->addWidget(InstallZone);
    installItems->addSpacing(16);
    installItems->addWidget(WrappedLabel(
        QStringLiteral("Glissez un fichier sur le panneau\npour désinstaller les filtres qu'il contient"),
        install));
    UninstallZone = new TDropPanel(QStringLiteral("Désinstaller"), QColor(128, 0, 0), install);
    UninstallZone->setObjectName(QStringLiteral("UninstallZone"));
    UninstallZone->setToolTip(QStringLiteral("Faire glisser un fichier (en général d'extension ax) "
                                             "pour\ndésinstaller les filtres qu'il contient."));
    installItems->addWidget(UninstallZone);
    installItems->addStretch(1);
    Pages->addTab(install, QStringLiteral("installer"));

    body()->addWidget(Pages, 1);
    FillHeight();

    CpuTimer = new QTimer(this);
    CpuTimer->setObjectName(QStringLiteral("CpuTimer"));
    CpuTimer->setInterval(500);
    connect(CpuTimer, &QTimer::timeout, this, &THelpFrame::CpuTick);
    SpaceTimer = new QTimer(this);
    SpaceTimer->setObjectName(QStringLiteral("SpaceTimer"));
    SpaceTimer->setInterval(2000);
    connect(SpaceTimer, &QTimer::timeout, this, &THelpFrame::SpaceTick);
    connect(Pages, &QTabWidget::currentChanged, this, [this] { followPage(isVisible()); });
    // Queued: the questions come once the drop has returned, so the program
    // the files were dragged from is not held while they are answered.
    connect(
        InstallZone, &TDropPanel::filesDropped, this,
        [this](const QStringList& paths) { HandleFilterFiles(paths, true); }, Qt::QueuedConnection);
    connect(
        UninstallZone, &TDropPanel::filesDropped, this,
        [this](const QStringList& paths) { HandleFilterFiles(paths, false); }, Qt::QueuedConnection);
    buildHelpPage();
}

void THelpFrame::buildHelpPage()
{
    HelpText->setFrameShape(QFrame::NoFrame);
    QPalette pal = HelpText->palette();
    pal.setColor(QPalette::Base, Qt::white);
    HelpText->setPalette(pal);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    HelpText->setFont(f);
    HelpText->SetUrlColor(QColor(0, 0, 128));
    HelpText->SetMailColor(Qt::black);
    HelpText->SetLinkColor(QColor(0, 128, 0));
    const QString name = TLinkMarkup::Escape(Product::Name);
    HelpText->SetRichText(
        QStringLiteral(
            "<Size 12><b><color Maroon>Aide sur %1</color></b></size><br><br><Size 8><i>Pour une explication "
            "sur l'utilisation et les fonctions de <b>%1</b>, visitez les pages d'aide sur <b>%1</b> dans "
            "<url %2>mon site web</url>.<br><br>Pour connaître la liste des raccourcis clavier et des "
            "mots-clés pour script ou ligne de commande, tapez F11 ou <link F11>cliquez ici</link>.<br><br>"
            "Pour installer un filtre, par exemple le filtre Haali Media Splitter, glisser le fichier *.ax "
            "sur "
            "la zone Installer sous <link Filtres>l'onglet Filtres</link>.")
            .arg(name, Product::HelpPage)
        + QStringLiteral("</i></Size>"));
    HelpText->OnUrlHint = [](const QString& target, QString& hint) {
        hint = QStringLiteral("Cliquez pour ouvrir le site %1\ndans votre navigateur par défaut").arg(target);
    };
    HelpText->OnUrlClick = [](const QString& target) {
        const QUrl url = TLinkMarkup::SafeLinkUrl(target);
        if (url.isValid()) QDesktopServices::openUrl(url);
    };
    HelpText->OnCustomLinkHint = [](const QString& target, QString& hint) {
        if (target == QLatin1String("F11"))
            hint = QStringLiteral("Cliquez pour afficher la liste des raccourcis");
        else if (target == QLatin1String("Filtres"))
            hint = QStringLiteral("Cliquez pour ouvrir l'onglet \"Filtres\"");
    };
    HelpText->OnCustomLinkClick = [this](const QString& target) {
        if (target == QLatin1String("F11")) {
            if (OnShortcutsLink) OnShortcutsLink();
        } else if (target == QLatin1String("Filtres")) {
            Pages->setCurrentIndex(InstallPage);
        }
    };
}

void THelpFrame::SelectFirstPage()
{
    Pages->setCurrentIndex(HelpPage);
}

void THelpFrame::StartMeasures()
{
    SpaceGauge->SetMinValue(0);
    SpaceGauge->SetCustomText(true);
    SpaceTick();
}

void THelpFrame::CpuTick()
{
    QList<double> loads;
    QString error;
    if (!SampleProcessors || !SampleProcessors(loads, error)) {
        // Every 500 ms a box would bury the window: one report per outage.
        if (!m_sampleFailing && OnSampleError && !error.isEmpty()) OnSampleError(error);
        m_sampleFailing = true;
        return;
    }
    m_sampleFailing = false;
    const int load = TCpuLoadAverages::BusiestLoad(loads);
    CpuGauge->SetProgress(load);
    m_averages.Add(load);
    CpuLabel->setText(m_averages.Text());
}

void THelpFrame::SpaceTick()
{
    const auto [total, free] = MeasureDrive ? MeasureDrive() : std::pair<int64_t, int64_t>(-1, -1);
    const TFreeSpaceDisplay space(total, free);
    // The maximum first, so the used space always fits under it.
    if (space.MaxValue() >= SpaceGauge->MinValue()) SpaceGauge->SetMaxValue(space.MaxValue());
    SpaceGauge->SetProgress(space.Progress());
    SpaceGauge->SetCaption(space.GaugeText());
    SpaceLabel->setText(space.LabelText());
}

void THelpFrame::HandleFilterFiles(const QStringList& paths, bool install)
{
    for (const QString& path : paths) {
        if (path.size() > MaxPathLength) continue;
        const QString question
            = (install ? QStringLiteral("Voulez-vous vraiment installer le fichier %1?")
                       : QStringLiteral("Voulez-vous vraiment désinstaller le fichier %1?"))
                  .arg(path);
        const bool yes = OnConfirm
            ? OnConfirm(question)
            : QMessageBox::question(this, Product::Name, question, QMessageBox::Yes | QMessageBox::No)
                == QMessageBox::Yes;
        if (!yes) continue;
        const bool done = OnFilterFile && OnFilterFile(path, install);
        const QString& text = done ? SuccessText : FailureText;
        if (OnResult)
            OnResult(text);
        else
            QMessageBox::information(this, Product::Name, text);
    }
}

void THelpFrame::followPage(bool shown)
{
    // Nobody sees the measurements unless the panel and its page are both
    // shown.
    if (shown && Pages->currentIndex() == CpuPage) {
        CpuTimer->start();
        SpaceTimer->start();
    } else {
        CpuTimer->stop();
        SpaceTimer->stop();
    }
}

void THelpFrame::showEvent(QShowEvent* e)
{
    TSidePanel::showEvent(e);
    followPage(true);
}

void THelpFrame::hideEvent(QHideEvent* e)
{
    TSidePanel::hideEvent(e);
    followPage(false);
}
