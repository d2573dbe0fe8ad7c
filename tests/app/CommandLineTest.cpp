// "orvena --help" and "orvena --version" as a terminal sees them: printed,
// exit status 0, and no window (run where none could open); every option the
// usage names is in both manual pages.
#include "TestMain.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void printsAndEndsWithoutWindow_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected"); // a regular expression over the output
        QTest::newRow("help") << "--help"
                              << "^Uso: orvena \\[LOCALITÀ\\] \\[--traccia FILE...\\] "
                                 "\\[--archivio CONNESSIONE\\]\n(.|\n)*--mbtiles";
        QTest::newRow("version") << "--version"
                                 << "^orvena \\d+\\.\\d+\n$";
    }
    void printsAndEndsWithoutWindow() {
        QFETCH(QString, option);
        QFETCH(QString, expected);
        QProcess program;
        // A platform that needs a display, and none: a window would abort.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        program.setProcessEnvironment(env);
        program.start(ORVENA_PROGRAM, {option});
        QVERIFY(program.waitForFinished(30000));
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(program.readAllStandardError()), QString());
        QVERIFY2(QRegularExpression(expected).match(out).hasMatch(), qPrintable(out));
    }

    void manualPagesListEveryOption() {
        QProcess program;
        program.start(ORVENA_PROGRAM, {"--help"});
        QVERIFY(program.waitForFinished(30000));
        QStringList options;
        for (const auto& m : QRegularExpression("--[a-z-]+")
                                 .globalMatch(QString::fromUtf8(program.readAllStandardOutput())))
            options << m.captured();
        options.removeDuplicates();
        options.sort();
        // Every option the program takes, in its usage.
        QCOMPARE(options, (QStringList{"--archivio", "--carica-archivi", "--esporta-gis", "--geotiff", "--help",
                                       "--importa-calibrazione", "--kmz", "--mbtiles", "--traccia",
                                       "--version"}));
        for (const char* page : {"/man/orvena.1", "/man/it/orvena.1"}) {
            QFile file(QStringLiteral(ORVENA_PACKAGING) + page);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll()).replace("\\-", "-");
            for (const QString& option : options)
                QVERIFY2(text.contains(".B " + option) || text.contains(".BI " + option),
                         qPrintable(option + " missing in " + page));
        }
    }
};

ORVENA_TEST_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
