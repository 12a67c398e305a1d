#include "app/Tintervalloframe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

Tintervalloframe::Tintervalloframe(QWidget* parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("Intervalloframe"));
    setAutoFillBackground(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 0, 2, 0);
    GroupBox1 = new QGroupBox(QStringLiteral("Intervallomètre"), this);
    GroupBox1->setToolTip(QStringLiteral("Fixer les valeurs de l'intervallomètre"));
    auto* inner = new QHBoxLayout(GroupBox1);
    inner->setContentsMargins(4, 2, 4, 2);
    RxSpinEdit7 = new QSpinBox(GroupBox1);
    RxSpinEdit7->setObjectName(QStringLiteral("RxSpinEdit7"));
    RxSpinEdit7->setRange(1, 999999);
    RxSpinEdit7->setToolTip(QStringLiteral("Délai entre deux images de l'intervallomètre"));
    cboxIntervallo = new QComboBox(GroupBox1);
    cboxIntervallo->setObjectName(QStringLiteral("cboxIntervallo"));
    cboxIntervallo->addItems(
        { QStringLiteral("Images"), QStringLiteral("Secondes"), QStringLiteral("Minutes") });
    cboxIntervallo->setToolTip(QStringLiteral("Unité pour calculer le délai de l'intervallomètre"));
    cbPrecision = new QCheckBox(QStringLiteral("Précision"), GroupBox1);
    cbPrecision->setObjectName(QStringLiteral("cbPrecision"));
    inner->addWidget(RxSpinEdit7);
    inner->addWidget(cboxIntervallo);
    inner->addWidget(cbPrecision);
    row->addWidget(GroupBox1);

    RxSwitch1 = new QToolButton(this);
    RxSwitch1->setObjectName(QStringLiteral("RxSwitch1"));
    RxSwitch1->setCheckable(true);
    RxSwitch1->setToolTip(QStringLiteral("Basculer l'intervallomètre.\r\nA régler sous l'onglet options."));
    RxSwitch1->setMinimumWidth(44);
    row->addWidget(RxSwitch1);

    chronolab = new QLabel(this);
    chronolab->setObjectName(QStringLiteral("chronolab"));
    chronolab->setToolTip(QStringLiteral("Nombre d'images restant à saisir"));
    QFont big = chronolab->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    chronolab->setFont(big);
    chronolab->setStyleSheet(QStringLiteral("color: purple;"));
    chronolab->setMinimumWidth(90);
    row->addWidget(chronolab, 1);
    SetSwitch(false);
}

void Tintervalloframe::SetSwitch(bool on)
{
    const QSignalBlocker block(RxSwitch1);
    RxSwitch1->setChecked(on);
    RxSwitch1->setText(on ? QStringLiteral("On") : QStringLiteral("Off"));
}

void Tintervalloframe::SetFieldsEnabled(bool on)
{
    RxSpinEdit7->setEnabled(on);
    cboxIntervallo->setEnabled(on);
}
