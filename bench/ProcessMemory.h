#pragma once

// The process's own memory figures, as Linux reports them in /proc/self/status.

#include <QByteArray>
#include <QFile>

namespace orvena::bench {

// The figure of one line of /proc/self/status ("VmRSS:", "VmHWM:") in KiB; -1
// where the system does not report it.
inline long statusKb(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    const QByteArray prefix(key);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Sets the peak ("VmHWM:") back to what the process holds now; Linux only.
inline void resetPeak() {
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly)) refs.write("5");
}

} // namespace orvena::bench
