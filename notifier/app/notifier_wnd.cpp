#include "notifier_wnd.h"

#include <QApplication>
#include <QTime>
#include <algorithm>

#include "app/about_dlg.h"
#include "app/new_mail_dlg.h"
#include "checkcycle/check_rules.h"
#include "dialup/connect_dlg.h"
#include "headers/header_list_dlg.h"
#include "quickmail/quickmail_dlg.h"
#include "settings/start_with_system.h"
#include "setup/setup_sheet.h"

namespace corvy {

using checkcycle::CutTooltip;

CNotifierWnd::CNotifierWnd(Deps deps) : deps_(std::move(deps)) {
    setObjectName(QStringLiteral("CNotifierWnd"));
    newMailWindow = [this](const std::vector<std::string>& accounts, const std::string& sound) {
        CNewMailDlg dlg(deps_.services, accounts, sound, settings_.emailClient,
                        deps_.dialUp.DialedByUs(), [this] { deps_.dialUp.HangUp(); });
        return dlg.exec() == QDialog::Accepted ? dlg.Selected() : std::string();
    };
    setupWindow = [this](settings::NotifierSettings& s) {
        const std::string folder = settings::InstallFolder(deps_.profile, deps_.programFolder);
        setup::SetupContext ctx{deps_.profile,
                                deps_.registry,
                                deps_.services,
                                deps_.dataFolder,
                                settings::RunCommand(folder),
                                deps_.dialUp.Available(),
                                &deps_.dialUp,
                                deps_.vault};
        return setup::RunSetup(ctx, s, nullptr);
    };
    headerWindow = [this](const std::string& account, int peekLines) {
        HeaderContext context{deps_.profile,         deps_.services,    deps_.dataFolder,
                              settings_.emailClient, deps_.pop3Options, deps_.vault};
        CHeaderListDlg dlg(context, account, peekLines);
        return dlg.Open();
    };
    noDialUpNotice = dialup::ShowNoDialUpNotice;
    quickMailWindow = [this] {
        CQuickMailDlg dlg(deps_.profile, deps_.services, deps_.dataFolder);
        dlg.SetPasswordVault(deps_.vault);
        dlg.exec();
    };
    clock = [] {
        const QTime now = QTime::currentTime();
        return checkcycle::ClockText(now.hour(), now.minute());
    };
    deps_.tray.onClick = [this](TrayClick click) { OnTrayClick(click); };
    connect(&checkTimer_, &QTimer::timeout, this, [this] { OnTimer(); });
    deps_.dialUp.onBackOnline = [this] {
        // Posted: the announcement may arrive while a window is open.
        if (waitingForNetwork_) {
            waitingForNetwork_ = false;
            QTimer::singleShot(0, this, [this] { OnTimer(); });
        }
    };

    LoadSettings();
    const bool notice =
        !deps_.dialUp.Available() && deps_.profile.GetInt("RAS", "DontShowNoRASSupport", 0) == 0;
    total_ = deps_.profile.GetInt("Mail", "NumberOfMessages", 0);
    RestartTimer();
    setWindowTitle(QStringLiteral("Corvy"));
    hide();
    // One posted step runs the start-up windows one after the other: a modal
    // window's loop would otherwise deliver the next step on top of it.
    // Posted, so a test can replace the windows first.
    QTimer::singleShot(0, this, [this, notice] {
        if (notice && noDialUpNotice && noDialUpNotice()) {
            deps_.profile.WriteInt("RAS", "DontShowNoRASSupport", 1);
        }
        OnStartup();
    });
}

CNotifierWnd::~CNotifierWnd() {
    // A conversation still waiting on a server ends as cancelled.
    pop3::CClientSocket::CancelBlockingCalls();
    checkTimer_.stop();
    deps_.tray.onClick = nullptr;
    deps_.dialUp.onBackOnline = nullptr;
    deps_.tray.Apply(TrayOp::Delete, TrayImage::Idle, {});
}

void CNotifierWnd::LoadSettings() {
    settings_ = settings::LoadNotifierSettings(deps_.profile, deps_.dialUp.Available());
    deps_.dialUp.SetLan(settings_.lan);
}

void CNotifierWnd::RestartTimer() {
    checkTimer_.stop();
    if (settings_.checkTime != 0 && settings_.checkTimeActive) {
        checkTimer_.start(settings_.checkTime * 60000);
    }
}

std::string CNotifierWnd::Clock() const {
    return clock ? clock() : std::string();
}

void CNotifierWnd::SetTrayIcon(TrayImage image, TrayOp op, const std::string& tip) {
    deps_.tray.Apply(op, image, CutTooltip(tip));
}

void CNotifierWnd::OnStartup() {
    if (deps_.profile.GetInt("License", "Version", 0) < settings::kSetupDoneVersion) {
        settings::MigrateOldHosts(deps_.profile);
        deps_.services.MessageBox(
            nullptr,
            "Welcome to Corvy!\n\nThe Setup window will now be displayed so you can configure "
            "Corvy.",
            "Corvy", BoxIcon::Information, BoxButtons::Ok);
        OnSetup();
        deps_.profile.WriteInt("License", "Version", settings::kSetupDoneVersion);
    }
    SetTrayIcon(TrayImage::Idle, TrayOp::Add, checkcycle::MessagesTip(total_));
    if (settings_.checkOnStartUp) {
        OnTimer();
    }
}

void CNotifierWnd::OnTimer() {
    if (checking_ || automatic_ || headersOpen_) {
        return;
    }
    checking_ = true;
    automatic_ = true;
    deps_.dialUp.SetQuiet(settings_.suppressErrors);
    const bool online = deps_.dialUp.IsOnline();
    if ((settings_.checkOnlyWhenOnline && online) || settings_.lan) {
        CheckAllAccounts();
    } else if (!settings_.checkOnlyWhenOnline) {
        bool nowOnline = online;
        if (!nowOnline) {
            nowOnline = deps_.dialUp.Dial();
            deps_.dialUp.SetDialedByUs(nowOnline);
        }
        if (nowOnline) {
            CheckAllAccounts();
            if (settings_.disconnect && deps_.dialUp.DialedByUs()) {
                deps_.dialUp.HangUp();
            }
        } else {
            SetTrayIcon(TrayImage::Failure, TrayOp::Modify, "Corvy - Unable to connect!");
        }
    } else {
        waitingForNetwork_ = true;  // runs when the network is back
    }
    deps_.dialUp.SetQuiet(false);
    checking_ = false;
    automatic_ = false;
}

void CNotifierWnd::OnCheckMail() {
    if (checking_ || automatic_ || headersOpen_) {
        return;
    }
    checking_ = true;
    CheckAllAccounts();
    deps_.dialUp.OfferDisconnect();
    checking_ = false;
}

void CNotifierWnd::OnTrayClick(TrayClick click) {
    raise();
    if (click == TrayClick::LeftPress && settings_.leftClickAction == 1) {
        OnCheckMail();
        return;
    }
    if (click == TrayClick::LeftPress && settings_.leftClickAction == 2) {
        OnViewHeaders(settings_.defaultAccount);
        return;
    }
    std::unique_ptr<QMenu> menu = BuildMenu();
    menu->exec(QCursor::pos());
    // Lets the menu's own clean-up run before anything else.
    QCoreApplication::postEvent(this, new QEvent(QEvent::User));
}

std::unique_ptr<QMenu> CNotifierWnd::BuildMenu() {
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QStringLiteral("menuTray"));
    QAction* check = menu->addAction(QStringLiteral("Check Mail"), this, [this] { OnCheckMail(); });
    check->setEnabled(!checking_ && !newMailOpen_);
    QMenu* headers = menu->addMenu(QStringLiteral("View Message Headers"));
    for (int i = 0; i < settings::kMaxAccounts; ++i) {
        const std::string name =
            deps_.profile.GetString(settings::AccountSection(i), "AccountName");
        if (name.empty()) {
            continue;  // an entry without an account is removed
        }
        QAction* entry = headers->addAction(QString::fromStdString(name), this,
                                            [this, name] { OnViewHeaders(name); });
        entry->setObjectName(QStringLiteral("Acct%1").arg(i + 1));
        entry->setEnabled(!headersOpen_);
    }
    QAction* quick = menu->addAction(QStringLiteral("QuickMail"), this, [this] { OnQuickMail(); });
    quick->setEnabled(!quickMailOpen_);
    QAction* setup = menu->addAction(QStringLiteral("Setup"), this, [this] { OnSetup(); });
    setup->setEnabled(!setupOpen_);
    menu->addAction(QStringLiteral("Help"), this, [this] { OnHelp(); });
    QAction* about = menu->addAction(QStringLiteral("About..."), this, [this] { OnAbout(); });
    about->setEnabled(!aboutOpen_);
    menu->addSeparator();
    QAction* run =
        menu->addAction(QStringLiteral("Run Email Program"), this, [this] { OnRunEmailProgram(); });
    run->setEnabled(!settings_.emailClient.empty());
    menu->addSeparator();
    menu->addAction(QStringLiteral("Exit Corvy"), this, [this] { OnExit(); });
    return menu;
}

void CNotifierWnd::OnViewHeaders(const std::string& account) {
    if (headersOpen_) {
        return;
    }
    if (!deps_.dialUp.EnsureConnected()) {
        return;
    }
    headersOpen_ = true;
    const int deleted = headerWindow ? headerWindow(account, settings_.peekLines) : 0;
    headersOpen_ = false;
    deps_.dialUp.OfferDisconnect();
    total_ = std::max(0, total_ - deleted);  // a stale total never goes below zero
    SetTrayIcon(TrayImage::Idle, TrayOp::Modify, checkcycle::MessagesTip(total_));
}

void CNotifierWnd::OnSetup() {
    if (setupOpen_) {
        return;  // one Setup window at a time
    }
    setupOpen_ = true;
    settings::NotifierSettings edited = settings_;
    const bool ok = setupWindow && setupWindow(edited);
    setupOpen_ = false;
    if (ok) {
        settings_ = edited;
        if (!deps_.dialUp.Available()) {
            settings_.lan = true;
        }
        deps_.dialUp.SetLan(settings_.lan);
        RestartTimer();
    }
}

void CNotifierWnd::OnQuickMail() {
    if (quickMailOpen_ || !deps_.dialUp.EnsureConnected()) {
        return;
    }
    quickMailOpen_ = true;
    if (quickMailWindow) {
        quickMailWindow();
    }
    quickMailOpen_ = false;
    deps_.dialUp.OfferDisconnect();
}

void CNotifierWnd::OnHelp() {
    OpenHelp(deps_.services, nullptr, deps_.dataFolder, "checking.htm");
}

void CNotifierWnd::OnAbout() {
    if (aboutOpen_) {
        return;
    }
    aboutOpen_ = true;
    CAboutDlg dlg(deps_.services);
    dlg.exec();
    aboutOpen_ = false;
}

void CNotifierWnd::OnRunEmailProgram() {
    if (!deps_.services.RunCommandLine(settings_.emailClient)) {
        deps_.services.MessageBox(nullptr, "Could not start email program!", "Corvy",
                                  BoxIcon::Exclamation, BoxButtons::Ok);
        return;
    }
    deps_.dialUp.SetDialedByUs(false);  // the mail program keeps using the line
}

void CNotifierWnd::OnExit() {
    exiting_ = true;
    pop3::CClientSocket::CancelBlockingCalls();
    deps_.tray.Apply(TrayOp::Delete, TrayImage::Idle, {});
    QCoreApplication::exit(0);
}

}  // namespace corvy
