// The murmel program: sets up the platform services, creates the main window,
// runs its start-up and lives in the tray until Exit or the end of the session.

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QTimer>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>

#include "app/program_services.h"
#include "shell/frm_mm.h"
#include "shell/tray_icon.h"
#include "startup/apppath.h"
#include "startup/automation.h"

namespace murmel {
namespace {

int g_signalPipe[2] = {-1, -1};

void OnStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM, SIGHUP and SIGINT (a session that ends without asking, a kill)
// unload the window like the end of a session, so settings are saved.
void WatchStopSignals(frmMM& form) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &form);
    QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
        if (!form.Unload(kUnloadTerminate)) {
            QCoreApplication::quit();
        }
    });
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace

// Creates the main window and shows it, unless start-up keeps it in the tray.
int Main(QApplication& app, const QElapsedTimer& sinceStart) {
    const QString appPath = ProgramFolder();
    // The one-instance test comes first, so a second start ends before it
    // touches sound, controls or files.
    InstanceGuard guard(QString::fromLatin1(kMurmelService),
                        appPath + QStringLiteral("/.murmel.lock"));
    const bool anotherInstance = guard.TryClaim() == InstanceGuard::Claim::AlreadyRunning;
    if (anotherInstance) {
        // Without a tray the running one may be minimised or covered: a start is
        // the user asking for the window.
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            guard.ShowRunningInstance();
        }
        return 0;
    }
    SeedProgramFolder(InstalledDataFolder(), appPath);

    ProgramServices platform = CreateProgramServices();
    std::unique_ptr<TrayIcon> tray = CreateSystemTrayIcon();

    frmMMServices services;
    services.sound = platform.sound.get();
    services.shell = platform.shell.get();
    services.tray = tray.get();
    services.createSettings = platform.createSettings;
    services.anotherInstanceRunning = [anotherInstance] { return anotherInstance; };
    services.endProgram = [] { QCoreApplication::quit(); };
    services.appPath = appPath;
    services.arguments = app.arguments().mid(1);

    frmMM form(std::move(services));
    ProgramPieces pieces(form);
    Murmel automation(form);
    if (!form.Form_Load()) {
        return 0;  // another instance runs: end silently
    }
    guard.Publish(&automation);
    WatchStopSignals(form);

    if (!form.StartsHidden()) {
        form.show();
    } else if (!tray->IsAvailable()) {
        form.showMinimized();  // no tray to come back from
    }
    // A timing harness asks for the time to a visible window.
    if (qEnvironmentVariableIsSet("MURMEL_REPORT_STARTUP")) {
        QTimer::singleShot(0, &form, [&form, &sinceStart] {
            const QRect g = form.frameGeometry();
            std::fprintf(stderr, "murmel: start-up %lld ms, window %s at %d,%d %dx%d\n",
                         static_cast<long long>(sinceStart.elapsed()),
                         form.isMinimized() ? "minimised"
                         : form.isVisible() ? "shown"
                                            : "hidden",
                         g.x(), g.y(), g.width(), g.height());
            if (qEnvironmentVariable("MURMEL_REPORT_STARTUP") == QLatin1String("exit")) {
                form.Unload(kUnloadCode);
            }
        });
    }
    return app.exec();
}

}  // namespace murmel

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("murmel"));
    QApplication::setApplicationDisplayName(QStringLiteral("MurmelMail"));
    QGuiApplication::setDesktopFileName(QStringLiteral("murmel"));
    return murmel::Main(app, sinceStart);
}
