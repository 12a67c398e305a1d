#pragma once
// The processor times of the system, sampled: the load of each processor
// over the interval between the last two samples, and the load of all of
// them together kept last.
//
// Linux keeps these as tick counters in /proc/stat: a "cpu" line with the
// sum over every processor, then one "cpuN" line per processor. A counter
// is allowed to go backwards (the kernel's iowait does, and a processor
// taken offline and back restarts its counts), so a negative interval is
// read as an idle one rather than as a load above 100 %.

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

class TProcessorSampler
{
public:
    struct TTimes {
        uint64_t total = 0; // every tick counted for the processor
        uint64_t idle = 0; // idle and waiting for input or output
    };

    // The times of /proc/stat's text: the processors in their order, the
    // sum over all of them last. Empty when the text holds no "cpu" line
    // or a line that does not read as counters.
    static QList<TTimes> Parse(const QByteArray& statText);

    // A new sample from /proc/stat (or the file given for tests). False,
    // with the reason in `error`, when it cannot be read; the earlier
    // sample is then kept.
    bool Sample(QString* error = nullptr);
    // A new sample from a text already read.
    bool SampleText(const QByteArray& statText, QString* error = nullptr);

    // The number of instances of the last sample, the total included.
    int InstanceCount() const { return int(m_current.size()); }
    // The load of an instance (0 to 1) between the last two samples; 0
    // after the first sample or when no tick passed. Throws
    // std::out_of_range ("CPU index out of bounds") for an unknown index.
    double Load(int index) const;
    QList<double> Loads() const;

    void SetStatPath(const QString& path) { m_path = path; }

private:
    QString m_path = QStringLiteral("/proc/stat");
    QList<TTimes> m_previous;
    QList<TTimes> m_current;
};
