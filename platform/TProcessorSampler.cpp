#include "platform/TProcessorSampler.h"

#include <QFile>
#include <optional>
#include <stdexcept>

QList<TProcessorSampler::TTimes> TProcessorSampler::Parse(const QByteArray& statText)
{
    QList<TTimes> processors;
    std::optional<TTimes> sum;
    for (const QByteArray& line : statText.split('\n')) {
        if (!line.startsWith("cpu")) continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        const QByteArray name = fields.value(0);
        // user nice system idle are always there; iowait and the rest
        // depend on the kernel's age.
        if (fields.size() < 5) return {};
        TTimes t;
        for (int i = 1; i < fields.size(); ++i) {
            bool ok = false;
            const uint64_t v = fields[i].toULongLong(&ok);
            if (!ok) return {};
            // guest and guest_nice (fields 9 and 10) are already counted
            // in user and nice.
            if (i <= 8) t.total += v;
            if (i == 4 || i == 5) t.idle += v;
        }
        if (name == "cpu") {
            sum = t;
        } else {
            bool ok = false;
            name.mid(3).toUInt(&ok);
            if (!ok) return {};
            processors << t;
        }
    }
    if (!sum) return {};
    processors << *sum;
    return processors;
}

bool TProcessorSampler::Sample(QString* error)
{
    QFile file(m_path);
    // /proc files report a size of 0: read until the end rather than by size.
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("Unable to read the processor times (%1)").arg(m_path);
        return false;
    }
    return SampleText(file.readAll(), error);
}

bool TProcessorSampler::SampleText(const QByteArray& statText, QString* error)
{
    QList<TTimes> times = Parse(statText);
    if (times.isEmpty()) {
        if (error) *error = QStringLiteral("Unable to locate the \"Processor\" performance object");
        return false;
    }
    // A processor brought online or taken away changes the instances:
    // the new ones have no interval yet.
    m_previous = times.size() == m_current.size() ? m_current : times;
    m_current = std::move(times);
    return true;
}

double TProcessorSampler::Load(int index) const
{
    if (index < 0 || index >= m_current.size()) throw std::out_of_range("CPU index out of bounds");
    const TTimes& now = m_current[index];
    const TTimes& then = m_previous[index];
    if (now.total <= then.total) return 0;
    const double ticks = double(now.total - then.total);
    const double idle = now.idle > then.idle ? double(now.idle - then.idle) : 0;
    if (idle >= ticks) return 0;
    return 1 - idle / ticks;
}

QList<double> TProcessorSampler::Loads() const
{
    QList<double> loads;
    for (int i = 0; i < m_current.size(); ++i)
        loads << Load(i);
    return loads;
}
