#pragma once

// GDAL's command-line tools as the tests' witnesses: sheets made with
// gdal_translate, positions read with gdaltransform.

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace orvena::test {

// Runs gdal_translate -q with options from source to target; whether it did.
inline bool gdalTranslate(const QString& source, const QString& target,
                          const QStringList& options) {
    QProcess p;
    p.start(QStringLiteral("gdal_translate"),
            QStringList{QStringLiteral("-q")} + options + QStringList{source, target});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Pixels to the coordinates of target as gdaltransform reads dataset.
inline QList<QPointF> gdaltransform(const QString& dataset, const QList<QPointF>& pixels,
                                    const char* target) {
    QProcess p;
    p.start(QStringLiteral("gdaltransform"), {"-t_srs", target, dataset});
    for (const QPointF& px : pixels)
        p.write(QByteArray::number(px.x(), 'f', 6) + ' ' + QByteArray::number(px.y(), 'f', 6) +
                '\n');
    p.closeWriteChannel();
    p.waitForFinished(60000);
    QList<QPointF> out;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (const QList<QByteArray> v = line.simplified().split(' '); v.size() >= 2)
            out << QPointF(v[0].toDouble(), v[1].toDouble());
    return out;
}

} // namespace orvena::test
