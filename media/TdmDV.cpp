#include "media/TdmDV.h"

#include "media/TFilterElement.h"

TdmDV::TdmDV(QObject* parent)
    : TdmGraphTemplate(QStringLiteral("dmDV"), parent)
{
    if (GstElement* element = TFilterElement::Create(&m_notifier, "dv-notifier"))
        m_notifierFilter = std::make_shared<TGraphFilter>(element, TNotifier::ClassIdentifier);
}

TdmDV::~TdmDV()
{
    DVsplitter.TakeOut();
    if (m_notifierFilter && m_notifierFilter->Graph())
        m_notifierFilter->Graph()->RemoveFilter(m_notifierFilter.get());
    m_notifierFilter.reset();
}
