#include "shell/frm_mm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QSessionManager>
#include <QShortcut>

#include <cstdlib>

#include "shell/hover_look.h"
#include "shell/window_shape.h"
#include "startup/utilities.h"
#include "ui_frm_mm.h"

namespace murmel {

namespace {

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64, 128}) {
        const QString file = QStringLiteral(":/murmel/icons/murmel-%1.png").arg(size);
        if (QFile::exists(file)) {
            icon.addFile(file, QSize(size, size));
        }
    }
    return icon;
}

}  // namespace

frmMM::frmMM(frmMMServices services, frmMMRoutines routines, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::frmMM>()),
      services_(std::move(services)),
      routines_(std::move(routines)) {
    ui_->setupUi(this);
    setWindowIcon(ProgramIcon());
    BuildMenu();

    gifLogo_ = new GifPlace(ui_->gifLogo);
    picAd_ = new GifPlace(ui_->picAd);
    connect(gifLogo_, &GifPlace::Click, this, &frmMM::gifLogo_Click);
    connect(picAd_, &GifPlace::Click, this, [this] { Call(routines_.picAd_Click); });

    tmrRecording_.setObjectName(QStringLiteral("tmrRecording"));
    tmrRecording_.setInterval(1000);
    tmrAdvertise_.setObjectName(QStringLiteral("tmrAdvertise"));
    tmrAdvertise_.setInterval(3000);
    connect(&tmrRecording_, &QTimer::timeout, this, [this] { Call(routines_.tmrRecording_Timer); });
    connect(&tmrAdvertise_, &QTimer::timeout, this, &frmMM::tmrAdvertise_Timer);

    connect(ui_->cmdRecord, &QPushButton::clicked, this,
            [this] { Call(routines_.cmdRecord_Click); });
    connect(ui_->cmdPlay, &QPushButton::clicked, this, [this] { Call(routines_.cmdPlay_Click); });
    connect(ui_->cmdStop, &QPushButton::clicked, this, [this] { Call(routines_.cmdStop_Click); });
    connect(ui_->cmdSend, &QPushButton::clicked, this, [this] { Call(routines_.cmdSend_Click); });
    connect(ui_->cmdTo, &QPushButton::clicked, this, [this] { Call(routines_.cmdTo_Click); });
    connect(ui_->cmdCc, &QPushButton::clicked, this, [this] { Call(routines_.cmdCC_Click); });
    connect(ui_->cmdHelp, &QPushButton::clicked, this, &frmMM::cmdHelp_Click);
    connect(ui_->cmdConfigure, &QPushButton::clicked, this, &frmMM::cmdConfigure_Click);
    connect(ui_->cmdHide, &QPushButton::clicked, this, &frmMM::cmdHide_Click);
    connect(ui_->cmdClose, &QPushButton::clicked, this, &frmMM::cmdClose_Click);

    InstallHoverLook({ui_->cmdCc, ui_->cmdClose, ui_->cmdConfigure, ui_->cmdHelp, ui_->cmdHide,
                      ui_->cmdPlay, ui_->cmdRecord, ui_->cmdSend, ui_->cmdStop, ui_->cmdTo});
    EnableToolbarDragging(this, ui_->lblToolbar, true);

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, [this] { Form_KeyDown(112); });

    if (services_.tray) {
        connect(services_.tray, &TrayIcon::MouseDblClick, this, &frmMM::cSysTray1_MouseDblClick);
        connect(services_.tray, &TrayIcon::MouseUp, this, &frmMM::cSysTray1_MouseUp);
    }
    // The end of the desktop session unloads the window so nothing is lost.
    if (qGuiApp) {
        connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager&) { Unload(kUnloadSession); });
    }
}

frmMM::~frmMM() = default;

void frmMM::BuildMenu() {
    mnuFile_ = new QMenu(this);
    mnuFile_->setObjectName(QStringLiteral("mnuFile"));
    auto item = [this](const char* name) {
        QAction* a = mnuFile_->addAction(QString());
        a->setObjectName(QLatin1String(name));
        return a;
    };
    auto separator = [this](const char* name) {
        QAction* a = mnuFile_->addSeparator();
        a->setObjectName(QLatin1String(name));
        return a;
    };
    mnuFileSend_ = item("mnuFileSend");
    mnuSep1_ = separator("mnuSep1");
    mnuHelpContents_ = item("mnuHelpContents");
    mnuHelpFAQ_ = item("mnuHelpFAQ");
    mnuSep2_ = separator("mnuSep2");
    mnuHelpAbout_ = item("mnuHelpAbout");
    mnuSep3_ = separator("mnuSep3");
    mnuFileExit_ = item("mnuFileExit");
    connect(mnuFileSend_, &QAction::triggered, this, &frmMM::mnuFileSend_Click);
    connect(mnuHelpContents_, &QAction::triggered, this, &frmMM::mnuHelpContents_Click);
    connect(mnuHelpFAQ_, &QAction::triggered, this, &frmMM::mnuHelpFAQ_Click);
    connect(mnuHelpAbout_, &QAction::triggered, this, &frmMM::mnuHelpAbout_Click);
    connect(mnuFileExit_, &QAction::triggered, this, &frmMM::mnuFileExit_Click);
    // Trays that open the menu themselves still get the right items.
    connect(mnuFile_, &QMenu::aboutToShow, this, &frmMM::PrepareTrayMenu);
}

void frmMM::Call(const std::function<void(frmMM&)>& routine) {
    if (routine) {
        routine(*this);
    }
}

bool frmMM::PlaySoundsEnabled() const {
    return settings_ && settings_->PlaySounds() == QLatin1String("1");
}

void frmMM::PlaySound(const QString& name, bool wait) {
    if (services_.sound) {
        services_.sound->Play(
            services_.appPath + QStringLiteral("/sounds/") + name,
            wait ? vantry::audio::SoundMode::Sync : vantry::audio::SoundMode::Async);
    }
}

bool frmMM::Form_Load() {
    if (services_.anotherInstanceRunning && services_.anotherInstanceRunning()) {
        return false;
    }
    m_Status = kStatusInitializing;

    settings_ =
        services_.createSettings ? services_.createSettings() : std::make_unique<MemorySettings>();
    settings_->VerifyRegistry();
    m_LoadTranslation();
    placeholder_ = T("mm0002");

    if (services_.tray) {
        services_.tray->SetMenu(mnuFile_);
        services_.tray->Install(windowIcon(), T("mm0001"));
    }

    gifLogo_->Stop();
    gifLogo_->ReadGIF(services_.appPath + QStringLiteral("/logo.gif"));

    const bool autoStart = services_.arguments.join(QLatin1Char(' ')) == QLatin1String("1");
    if (!autoStart) {
        if (settings_->Autorun() != QLatin1String("1")) {
            settings_->setAutorun(QStringLiteral("0"));
            settings_->setSetRunAtInitialization(QString());
        }
    } else {
        startsHidden_ = true;
        hide();
    }

    globals_.ServerCopy = settings_->ConnectTo();

    if (settings_->MyEmail().isEmpty()) {
        settings_->setPlaySounds(QStringLiteral("1"));
        Call(routines_.m_ShowOptions);
    }

    if (settings_->LastAdUpdate().isEmpty()) {
        settings_->setLastAdUpdate(FormatMailTime(QDateTime::currentDateTime()) + QLatin1Char(' ') +
                                   GetTimeZone());
    }

    ui_->lblStatus->setText(T("mm0036"));
    SetControlTexts();
    globals_.BookKindLabels = {T("opt0005"), T("opt0006"), T("opt0007"), T("opt0008"),
                               T("opt0009")};

    ui_->cmdRecord->setEnabled(true);
    ui_->cmdPlay->setEnabled(false);
    ui_->cmdStop->setEnabled(false);
    ui_->cmdSend->setEnabled(false);
    ui_->cmdClose->setEnabled(true);
    ui_->cmdHide->setEnabled(true);

    Call(routines_.m_LoadRecipients);
    Call(routines_.m_LoadAds);

    if (!autoStart) {
        PlaySound(QStringLiteral("start.wav"));
    }

    tmrAdvertise_Timer();
    tmrAdvertise_.start();

    Call(routines_.m_InitVolumes);

    const QString waveType = settings_->WaveType();
    if (!waveType.isEmpty()) {
        settings_->setDefaultWave(waveType);
    } else {
        const QString preferred = T("reg0001");
        if (!preferred.isEmpty() &&
            settings_->WaveTypes().contains(preferred, Qt::CaseInsensitive)) {
            settings_->setDefaultWave(preferred);
            settings_->setWaveType(preferred);
        }
    }

    region_ = ShapeWindow(this);
    ColorToolbar(ui_->lblToolbar);
    setWindowTitle(QStringLiteral("MurmelMail"));

    const QString outbox = services_.appPath + QStringLiteral("/Outbox");
    if (!DirExists(outbox)) {
        QDir().mkpath(outbox);  // a failure shows when a message is written there
    }

    m_Status.clear();
    loaded_ = true;
    return true;
}

void frmMM::m_LoadTranslation() {
    LoadTranslation(services_.appPath, settings_->UserLanguage(), &globals_.Translations);
}

void frmMM::SetControlTexts() {
    Ui::frmMM& u = *ui_;
    u.lblStatus->setText(T("mm0036"));
    mnuFileSend_->setText(T("mm0053"));
    mnuHelpContents_->setText(T("mm0054"));
    mnuHelpFAQ_->setText(T("mm0055"));
    mnuHelpAbout_->setText(T("mm0056"));
    mnuFileExit_->setText(T("mm0057"));
    auto button = [this](QWidget* w, const char* tip, const char* caption) {
        w->setToolTip(T(tip));
        if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            b->setText(T(caption));
        }
    };
    button(u.cmdConfigure, "mm0037", "mm0062");
    button(u.cmdRecord, "mm0038", "mm0063");
    button(u.cmdPlay, "mm0039", "mm0064");
    button(u.cmdStop, "mm0040", "mm0065");
    button(u.cmdSend, "mm0041", "mm0066");
    button(u.cmdClose, "mm0042", "mm0067");
    button(u.cmdHide, "mm0076", "mm0075");
    button(u.cmdTo, "mm0043", "mm0060");
    button(u.cmdCc, "mm0044", "mm0061");
    button(u.cmdHelp, "mm0074", "mm0073");
    u.cmbTo->setToolTip(T("mm0045"));
    u.cmbCc->setToolTip(T("mm0046"));
    u.txtSubject->setToolTip(T("mm0047"));
    u.lblSubject->setText(T("mm0068") + QLatin1Char(':'));
    u.chkReturnReceipt->setToolTip(T("mm0048"));
    u.lblReturnReceipt->setText(T("mm0069"));
    u.lblMic->setText(T("mm0070"));
    u.lblVol->setText(T("mm0071"));
    u.gifLogo->setToolTip(T("mm0072"));
}

void frmMM::cSysTray1_MouseDblClick(int button) {
    if (button == 1) {
        mnuFileSend_Click();
    }
}

void frmMM::PrepareTrayMenu() {
    const bool visible = isVisible();
    mnuFileSend_->setVisible(!visible);
    mnuSep1_->setVisible(!visible);
    mnuFile_->setDefaultAction(visible ? mnuHelpContents_ : mnuFileSend_);
}

void frmMM::cSysTray1_MouseUp(int button) {
    if (button != 2 || unloaded_) {
        return;
    }
    if (PlaySoundsEnabled()) {
        PlaySound(QStringLiteral("swoosh.wav"));
    }
    PrepareTrayMenu();
    if (services_.tray) {
        services_.tray->PopUpMenu(mnuFile_);
    }
}

void frmMM::mnuFileSend_Click() {
    if (unloaded_) {
        return;
    }
    if (isVisible()) {
        if (isMinimized()) {
            showNormal();
        }
        raise();
        activateWindow();
    } else {
        PlaySound(QStringLiteral("start.wav"));
        show();
    }
    QCoreApplication::processEvents();
}

void frmMM::mnuFileExit_Click() {
    if (!m_Status.isEmpty()) {
        return;
    }
    if (services_.tray) {
        services_.tray->Remove();
    }
    hide();
    PlaySound(QStringLiteral("exit.wav"), true);
    tmrAdvertise_.stop();
    m_Status = kStatusTerminating;
    tmrAdvertise_.setInterval(500);
    tmrAdvertise_.start();
}

void frmMM::OpenPage(const QString& relative) {
    if (services_.shell) {
        services_.shell->Open(services_.appPath + QLatin1Char('/') + relative, services_.appPath);
    }
}

void frmMM::mnuHelpContents_Click() {
    OpenPage(QStringLiteral("htm/help.htm"));
}
void frmMM::mnuHelpFAQ_Click() {
    OpenPage(QStringLiteral("htm/faq.htm"));
}
void frmMM::mnuHelpAbout_Click() {
    OpenPage(QStringLiteral("htm/about.htm"));
}

void frmMM::cmdHelp_Click() {
    if (PlaySoundsEnabled()) {
        PlaySound(QStringLiteral("click.wav"));
    }
    OpenPage(QStringLiteral("htm/startup.htm"));
}

void frmMM::Form_KeyDown(int keyCode) {
    if (keyCode == 112) {
        OpenPage(QStringLiteral("htm/startup.htm"));
    }
}

void frmMM::cmdConfigure_Click() {
    if (PlaySoundsEnabled()) {
        PlaySound(QStringLiteral("click.wav"));
    }
    Call(routines_.m_ShowOptions);
}

void frmMM::cmdHide_Click() {
    bool cancel = false;
    Form_QueryUnload(cancel, kUnloadUser);
}

void frmMM::cmdClose_Click() {
    bool cancel = false;
    Form_QueryUnload(cancel, kUnloadUser);
}

void frmMM::gifLogo_Click() {
    if (!settings_ || !services_.shell) {
        return;
    }
    // Only a web address: a program path or command must not run on a click.
    vantry::shell::OpenUrl(*services_.shell, settings_->LogoClick().trimmed(), services_.appPath);
}

void frmMM::tmrAdvertise_Timer() {
    if (m_Status.compare(kStatusTerminating, Qt::CaseInsensitive) == 0) {
        tmrAdvertise_.stop();
        Unload(kUnloadCode);
        return;
    }
    Call(routines_.m_RotateAds);
}

void frmMM::Form_QueryUnload(bool& cancel, int unloadMode) {
    if (unloadMode == kUnloadUser) {
        // The recorder disables Close while it is busy: then nothing happens.
        if (ui_->cmdClose->isEnabled()) {
            PlaySound(QStringLiteral("exit.wav"));
            // With no tray to come back from, a hidden window would be lost.
            if (services_.tray && services_.tray->IsAvailable()) {
                hide();
            } else {
                showMinimized();
            }
        }
        cancel = true;
    }
}

void frmMM::Form_Unload() {
    tmrRecording_.stop();
    tmrAdvertise_.stop();
    if (settings_) {
        // A disabled slider found no mixer control: its stored level is kept
        // rather than replaced by a position the user never chose.
        if (ui_->Slider1->isEnabled()) {
            settings_->setInVolume(QString::number(std::abs(ui_->Slider1->value())));
        }
        if (ui_->Slider2->isEnabled()) {
            settings_->setOutVolume(QString::number(std::abs(ui_->Slider2->value())));
        }
    }
    Call(routines_.m_SaveRecipients);
    Call(routines_.m_SaveAds);

    unloaded_ = true;
    if (services_.tray) {
        services_.tray->Remove();
    }
    hide();
    clearMask();
    region_ = QRegion();
    globals_.Translations.Clear();
    settings_.reset();
    if (services_.endProgram) {
        services_.endProgram();
    }
}

bool frmMM::Unload(int unloadMode) {
    if (unloaded_) {
        return true;
    }
    bool cancel = false;
    Form_QueryUnload(cancel, unloadMode);
    if (cancel) {
        return false;
    }
    Form_Unload();
    return true;
}

void frmMM::closeEvent(QCloseEvent* event) {
    if (unloaded_) {
        event->accept();
        return;
    }
    event->ignore();
    Unload(kUnloadUser);
}

void frmMM::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ui_->lblToolbar->resize(width(), ui_->lblToolbar->height());
    if (loaded_ && !unloaded_) {
        region_ = ShapeWindow(this);
    }
}

void frmMM::DoReply(const QString& to, const QString& cc, const QString& subject) {
    if (unloaded_) {
        return;
    }
    auto fill = [](QComboBox* box, const QString& text) {
        if (!text.trimmed().isEmpty()) {
            box->setEditText(text);
        } else if (box->count() > 0) {
            box->setCurrentIndex(0);
            box->setEditText(box->itemText(0));
        }
    };
    fill(ui_->cmbTo, to);
    fill(ui_->cmbCc, cc);
    const QString trimmed = subject.trimmed();
    if (!trimmed.isEmpty()) {
        if (trimmed.startsWith(QLatin1String("Re:"), Qt::CaseInsensitive)) {
            ui_->txtSubject->setText(subject);
        } else {
            ui_->txtSubject->setText(QStringLiteral("Re: ") + subject);
        }
    }
    mnuFileSend_Click();
}

void frmMM::ShowImmediately() {
    mnuFileSend_Click();
}

}  // namespace murmel
