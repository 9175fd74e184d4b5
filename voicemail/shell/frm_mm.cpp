#include "shell/frm_mm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QSessionManager>
#include <QShortcut>

#include <iterator>

#include "composer/composer.h"
#include "composer/composer_panel.h"
#include "recorder/recorder.h"
#include "recorder/recorder_panel.h"
#include "shell/hover_look.h"
#include "shell/window_shape.h"
#include "startup/utilities.h"
#include "ui_composer_panel.h"
#include "ui_frm_mm.h"
#include "ui_recorder_panel.h"

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

// Where a widget's own controls stand, in its coordinates.
QRegion ControlsRegion(const QWidget* widget) {
    QRegion region;
    for (const QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        region += child->geometry();
    }
    return region;
}

}  // namespace

frmMM::frmMM(frmMMServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::frmMM>()),
      services_(std::move(services)) {
    ui_->setupUi(this);
    setWindowIcon(ProgramIcon());
    BuildMenu();
    PlacePanels();

    gifLogo_ = new GifPlace(ui_->gifLogo);
    picAd_ = new GifPlace(ui_->picAd);
    connect(gifLogo_, &GifPlace::Click, this, &frmMM::gifLogo_Click);

    tmrAdvertise_.setObjectName(QStringLiteral("tmrAdvertise"));
    tmrAdvertise_.setInterval(3000);
    connect(&tmrAdvertise_, &QTimer::timeout, this, &frmMM::tmrAdvertise_Timer);

    connect(ui_->cmdHelp, &QPushButton::clicked, this, &frmMM::cmdHelp_Click);
    connect(ui_->cmdConfigure, &QPushButton::clicked, this, &frmMM::cmdConfigure_Click);
    connect(ui_->cmdHide, &QPushButton::clicked, this, &frmMM::cmdHide_Click);
    connect(ui_->cmdClose, &QPushButton::clicked, this, &frmMM::cmdClose_Click);

    const Ui::RecorderPanel& rec = *recorderPanel()->ui();
    const Ui::ComposerPanel& com = *composerPanel()->ui();
    InstallHoverLook({com.cmdCc, ui_->cmdClose, ui_->cmdConfigure, ui_->cmdHelp, ui_->cmdHide,
                      rec.cmdPlay, rec.cmdRecord, rec.cmdSend, rec.cmdStop, com.cmdTo});
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

RecorderPanel* frmMM::recorderPanel() const {
    return ui_->recorderPanel;
}

ComposerPanel* frmMM::composerPanel() const {
    return ui_->composerPanel;
}

QTimer* frmMM::tmrRecording() {
    return recorderPanel()->tmrRecording();
}

// The recorder's levels stand beside the return receipt, inside the composer's
// rectangle: each panel is only where its controls are, so neither takes the
// other's clicks. Tab order runs through both panels as one window.
void frmMM::PlacePanels() {
    for (QWidget* panel : std::initializer_list<QWidget*>{recorderPanel(), composerPanel()}) {
        panel->setMask(ControlsRegion(panel));
    }
    const Ui::RecorderPanel& rec = *recorderPanel()->ui();
    const Ui::ComposerPanel& com = *composerPanel()->ui();
    QWidget* const chain[] = {
        rec.cmdRecord, rec.cmdPlay, rec.cmdStop,       rec.cmdSend,    com.cmdTo,
        com.cmbTo,     com.cmdCc,   com.cmbCc,         com.txtSubject, com.chkReturnReceipt,
        rec.Slider1,   rec.Slider2, ui_->cmdConfigure, ui_->cmdHelp,   ui_->cmdHide,
        ui_->cmdClose};
    for (std::size_t i = 1; i < std::size(chain); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}

void frmMM::AttachPanels(Recorder& recorder, Composer& composer) {
    connect(this, &frmMM::InitVolumes, &recorder, &Recorder::m_InitVolumes);
    connect(this, &frmMM::LoadRecipients, &composer, &Composer::m_LoadRecipients);
    connect(this, &frmMM::SaveRecipients, &composer, &Composer::m_SaveRecipients);
    connect(recorderPanel()->ui()->cmdSend, &QPushButton::clicked, &composer,
            &Composer::cmdSend_Click);
    connect(&composer, &Composer::SendingStarted, &recorder, &Recorder::SendingStarted);
    connect(&composer, &Composer::SendingEnded, &recorder, &Recorder::SendingEnded);
    connect(&composer, &Composer::StatusText, recorderPanel(), &RecorderPanel::ShowStatus);
    connect(&recorder, &Recorder::CloseAllowed, this, &frmMM::SetCloseAllowed);
}

void frmMM::SetCloseAllowed(bool allowed) {
    ui_->cmdClose->setEnabled(allowed);
    ui_->cmdHide->setEnabled(allowed);
}

void frmMM::m_CheckForAds() {
    if (ads_) {
        ads_->m_CheckForAds();
    }
}

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
        emit OptionsRequested();
    }

    if (settings_->LastAdUpdate().isEmpty()) {
        settings_->setLastAdUpdate(FormatMailTime(QDateTime::currentDateTime()) + QLatin1Char(' ') +
                                   GetTimeZone());
    }

    SetControlTexts();
    globals_.BookKindLabels = {T("opt0005"), T("opt0006"), T("opt0007"), T("opt0008"),
                               T("opt0009")};

    // The recorder's form starts idle with nothing recorded.
    SetCloseAllowed(true);

    emit LoadRecipients();
    if (ads_) {
        ads_->m_LoadAds();
    }

    if (!autoStart) {
        PlaySound(QStringLiteral("start.wav"));
    }

    tmrAdvertise_Timer();
    tmrAdvertise_.start();

    emit InitVolumes();

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
    recorderPanel()->SetTexts(globals_.Translations);
    composerPanel()->SetTexts(globals_.Translations);
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
    button(u.cmdClose, "mm0042", "mm0067");
    button(u.cmdHide, "mm0076", "mm0075");
    button(u.cmdHelp, "mm0074", "mm0073");
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
    emit OptionsRequested();
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
    if (ads_) {
        ads_->m_RotateAds();
    }
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
    tmrRecording()->stop();
    tmrAdvertise_.stop();
    if (settings_) {
        recorderPanel()->SaveLevels(*settings_);
    }
    emit SaveRecipients();
    if (ads_) {
        ads_->m_SaveAds();
    }

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
    composerPanel()->PrepareReply(to, cc, subject);
    mnuFileSend_Click();
}

void frmMM::ShowImmediately() {
    mnuFileSend_Click();
}

}  // namespace murmel
