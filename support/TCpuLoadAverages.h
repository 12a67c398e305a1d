#pragma once
// What the help panel makes of the processor loads: the load of the busiest
// processor, and two running averages over the last 16 ticks (the loads,
// then the averages of the loads), which smooth the gauge's jitter into
// something a user can read while a video plays.

#include <QList>
#include <QString>
#include <array>

class TCpuLoadAverages
{
public:
    static constexpr int HistorySize = 16;

    // The largest of the processors' loads (0 to 1 each) in percent, rounded
    // half to even, the last instance (the total of all) left out; 0 with
    // fewer than two instances.
    static int BusiestLoad(const QList<double>& loads);

    // One tick: the load joins both histories.
    void Add(int load);
    double A1() const { return m_a1; }
    double A2() const { return m_a2; }
    // "A1 - A2", each rounded half to even.
    QString Text() const;

private:
    std::array<int, HistorySize> m_loads {};
    std::array<double, HistorySize> m_averages {};
    int m_index = 0;
    double m_a1 = 0;
    double m_a2 = 0;
};
