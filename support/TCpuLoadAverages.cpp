#include "support/TCpuLoadAverages.h"

#include <cmath>

int TCpuLoadAverages::BusiestLoad(const QList<double>& loads)
{
    int busiest = 0;
    for (qsizetype i = 0; i + 1 < loads.size(); ++i)
        busiest = std::max(busiest, int(std::nearbyint(loads[i] * 100)));
    return busiest;
}

void TCpuLoadAverages::Add(int load)
{
    m_index = (m_index + 1) % HistorySize;
    m_a1 += double(load - m_loads[m_index]) / HistorySize;
    m_loads[m_index] = load;
    m_a2 += (m_a1 - m_averages[m_index]) / HistorySize;
    m_averages[m_index] = m_a1;
}

QString TCpuLoadAverages::Text() const
{
    return QStringLiteral("%1 - %2").arg(long(std::nearbyint(m_a1))).arg(long(std::nearbyint(m_a2)));
}
