#pragma once
// Running the built murmel program from a test: its surroundings in a fresh
// folder and the wait for its start-up report.

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include "test_env.h"

namespace murmel::test {

// The program's own folders below ROOT (program folder, registry, configuration),
// its start-up report on stderr and no sound card. A sender address is stored:
// without one the first run waits in the options window.
inline QProcessEnvironment ProgramEnvironment(const QString& root) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MURMEL_HOME", root + "/home");
    env.insert("VANTRY_REGISTRY", root + "/registry");
    env.insert("XDG_CONFIG_HOME", root + "/config");
    env.insert("MURMEL_REPORT_STARTUP", "1");
    env.insert("MURMEL_ALSA_DEVICE", "null");
    vantry::test::WriteFile((root + "/registry/HKEY_LOCAL_MACHINE.reg").toStdString(),
                            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantry\\MurmelMailer]\n"
                            "\"Email\"=\"me@example.org\"\n");
    return env;
}

// Waits for the start-up report; returns the stderr read so far, all of it
// when the program has ended.
inline QString WaitForStartUp(QProcess& p) {
    QString err;
    QElapsedTimer t;
    t.start();
    while (!err.contains("murmel: start-up") && t.elapsed() < 20000 &&
           p.state() == QProcess::Running) {
        p.waitForReadyRead(200);
        err += QString::fromLocal8Bit(p.readAllStandardError());
    }
    if (p.state() != QProcess::Running) {
        err += QString::fromLocal8Bit(p.readAllStandardError());
    }
    return err;
}

}  // namespace murmel::test
