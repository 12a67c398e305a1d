#include "support/TSidePanel.h"

#include <QLabel>
#include <QVBoxLayout>

TSidePanel::TSidePanel(const QString& objectName, const QString& title, QWidget* parent)
    : QFrame(parent)
{
    setObjectName(objectName);
    setFrameShape(QFrame::StyledPanel);
    setFixedWidth(Width);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    m_title = new QLabel(title, this);
    QFont f = m_title->font();
    f.setBold(true);
    m_title->setFont(f);
    m_title->setStyleSheet(QStringLiteral("color: #800000;"));
    layout->addWidget(m_title);
    m_body = new QVBoxLayout();
    layout->addLayout(m_body);
    layout->addStretch(1);
    hide();
}

void TSidePanel::FillHeight()
{
    auto* outer = static_cast<QVBoxLayout*>(layout());
    outer->setStretch(1, 1);
    outer->setStretch(2, 0);
}
