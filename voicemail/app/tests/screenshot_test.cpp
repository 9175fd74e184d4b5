#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>

#include <csignal>
#include <set>

#include "app/tests/program_run.h"
#include "test_env.h"

namespace {

// The program on a private X server: the window must come up shaped, with
// the toolbar coloured and its texts drawn. The screenshot is kept in the
// build tree (test-artefacts/) for a person to look at.
TEST(Screenshot, WindowAppearsShapedWithItsTexts) {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
        QStandardPaths::findExecutable("import").isEmpty()) {
        GTEST_SKIP() << "Xvfb or ImageMagick missing";
    }
    const QString root = QString::fromStdString(vantry::test::FreshDir("screen").string());

    QProcess xvfb;
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"});
    ASSERT_TRUE(xvfb.waitForReadyRead(10000));
    const QString display = ":" + QString::fromLatin1(xvfb.readAllStandardOutput()).trimmed();

    QProcessEnvironment env = murmel::test::ProgramEnvironment(root);
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    // Its own instance lock: other tests may run the program on the shared bus.
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + root + "/no-bus");

    QProcess murmel;
    murmel.setProcessEnvironment(env);
    murmel.start(QStringLiteral(MURMEL_PROGRAM), {});
    ASSERT_TRUE(murmel.waitForStarted(10000));
    const QString err = murmel::test::WaitForStartUp(murmel);
    static const QRegularExpression at("window shown at (-?\\d+),(-?\\d+) (\\d+)x(\\d+)");
    const auto m = at.match(err);
    ASSERT_TRUE(m.hasMatch()) << err.toStdString() << " exit " << murmel.exitCode();
    const int x = m.captured(1).toInt(), y = m.captured(2).toInt();
    const int w = m.captured(3).toInt(), h = m.captured(4).toInt();

    // Let the window paint, then take the whole screen.
    QProcess::execute("sleep", {"1"});
    const std::filesystem::path artefacts = MURMEL_ARTEFACTS_DIR;
    QDir().mkpath(QString::fromStdString(artefacts.string()));
    const QString png = QString::fromStdString((artefacts / "murmel-window.png").string());
    QProcess grab;
    grab.setProcessEnvironment(env);
    grab.start("import", {"-window", "root", png});
    ASSERT_TRUE(grab.waitForFinished(20000));
    ::kill(static_cast<pid_t>(murmel.processId()), SIGTERM);
    murmel.waitForFinished(10000);
    xvfb.terminate();
    xvfb.waitForFinished(5000);

    QImage shot(png);
    ASSERT_FALSE(shot.isNull());
    const QRgb background = shot.pixel(shot.width() - 1, shot.height() - 1);
    auto px = [&](int dx, int dy) { return shot.pixel(x + dx, y + dy); };
    // Cut corners show the screen behind; square corners belong to the window.
    EXPECT_EQ(px(1, 1), background);
    EXPECT_EQ(px(w - 2, h - 2), background);
    EXPECT_NE(px(w - 4, 3), background);
    EXPECT_NE(px(5, h - 4), background);
    // The toolbar strip is one colour left of its caption, not the window's face.
    const QRgb toolbar = px(40, 8);
    EXPECT_EQ(px(60, 12), toolbar);
    EXPECT_NE(toolbar, px(w / 2, h / 2 + 40));
    // Texts: the caption and the button row hold more than two colours.
    std::set<QRgb> caption, buttons;
    for (int dx = w / 2 - 40; dx < w / 2 + 40; ++dx) {
        for (int dy = 4; dy < 20; ++dy) {
            caption.insert(px(dx, dy));
        }
    }
    for (int dx = 95; dx < 160; ++dx) {
        for (int dy = 40; dy < 60; ++dy) {
            buttons.insert(px(dx, dy));
        }
    }
    EXPECT_GT(caption.size(), 2u);
    EXPECT_GT(buttons.size(), 2u);
}

}  // namespace
