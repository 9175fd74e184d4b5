#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>

#include "app/tests/program_run.h"
#include "test_env.h"

namespace {

// The built program, run in its own program folder and registry.
class Program : public ::testing::Test {
protected:
    void SetUp() override {
        root = QString::fromStdString(vantry::test::FreshDir("program").string());
        env = murmel::test::ProgramEnvironment(root);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        program = QStringLiteral(MURMEL_PROGRAM);
    }

    std::unique_ptr<QProcess> Start(const QStringList& args = {}) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->start(program, args);
        EXPECT_TRUE(p->waitForStarted(5000));
        return p;
    }

    static int Terminate(QProcess& p) {
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        EXPECT_TRUE(p.waitForFinished(10000));
        return p.exitCode();
    }

    QString Hive(const char* name) const {
        return QString::fromStdString(
            vantry::test::ReadFile((root + "/registry/" + name + ".reg").toStdString()));
    }

    QString root;
    QString program;
    QProcessEnvironment env;
};

TEST_F(Program, SecondStartEndsSilentlyAndTheFirstAnswersOnTheBus) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        GTEST_SKIP() << "no session bus";
    }
    vantry::test::WriteFile((root + "/registry/HKEY_LOCAL_MACHINE.reg").toStdString(),
                            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantry\\MurmelMailer]\n"
                            "\"InVolume\"=\"12345\"\n\"Autorun\"=\"yes\"\n"
                            "\"Email\"=\"me@example.org\"\n");
    auto first = Start();
    const QString report = murmel::test::WaitForStartUp(*first);
    ASSERT_TRUE(report.contains("window shown")) << report.toStdString();
    // The program folder was seeded from the installed data.
    EXPECT_TRUE(QFile::exists(root + "/home/lang/00000409.txt"));
    EXPECT_TRUE(QFile::exists(root + "/home/sounds/start.wav"));
    EXPECT_TRUE(QDir(root + "/home/Outbox").exists());

    auto second = Start();
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_FALSE(QString::fromLocal8Bit(second->readAllStandardError()).contains("start-up"));

    QProcess call;
    call.start("gdbus",
               {"call", "--session", "--dest", "org.vantry.Murmel", "--object-path", "/Murmel",
                "--method", "org.vantry.Murmel.DoReply", "a@example.org", "", "Hello"});
    ASSERT_TRUE(call.waitForFinished(10000));
    EXPECT_EQ(call.exitCode(), 0) << call.readAllStandardError().toStdString();

    // A stop signal unloads the window, which saves the settings.
    EXPECT_EQ(Terminate(*first), 0);
    const QString machine = Hive("HKEY_LOCAL_MACHINE");
    // With or without a mixer the level comes back as it was stored.
    EXPECT_TRUE(machine.contains("\"InVolume\"=\"12345\"")) << machine.toStdString();
    EXPECT_TRUE(machine.contains("\"Autorun\"=\"0\"")) << machine.toStdString();
    EXPECT_TRUE(QFile::exists(root + "/home/Tos.txt"));
}

TEST_F(Program, WithoutABusALockFileKeepsOneInstanceAndArgumentOneHides) {
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + root + "/no-such-bus");
    auto first = Start({"1"});
    const QString report = murmel::test::WaitForStartUp(*first);
    EXPECT_TRUE(report.contains("no session bus")) << report.toStdString();
    // Hidden into the tray, or minimised where the desktop has no tray.
    ASSERT_TRUE(report.contains("window hidden") || report.contains("window minimised"))
        << report.toStdString();

    auto second = Start();
    ASSERT_TRUE(second->waitForFinished(10000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_FALSE(QString::fromLocal8Bit(second->readAllStandardError()).contains("start-up"));

    EXPECT_EQ(Terminate(*first), 0);
    // Once the first has ended, a new start runs.
    auto third = Start();
    EXPECT_TRUE(murmel::test::WaitForStartUp(*third).contains("window shown"));
    EXPECT_EQ(Terminate(*third), 0);
}

}  // namespace
