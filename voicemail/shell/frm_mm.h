#pragma once
// frmMM, the main window: a borderless cut-corner window that lives in the
// tray. It runs the start-up sequence, hosts the recorder, composing and ad
// controls, shows and hides itself from the tray, and ends the program
// through the tray menu's Exit.

#include <QAction>
#include <QMenu>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

#include "audio/sound_player.h"
#include "settings/settings.h"
#include "shell/gif_place.h"
#include "shell/shell.h"
#include "shell/tray_icon.h"
#include "startup/automation.h"
#include "startup/globals.h"

namespace Ui {
class frmMM;
}

namespace murmel {

inline const QString kStatusInitializing = QStringLiteral("Initializing");
inline const QString kStatusTerminating = QStringLiteral("Terminating");

// Unload modes: the user closed the window; the program unloads it itself;
// the desktop session ends; the process is told to stop.
enum UnloadMode { kUnloadUser = 0, kUnloadCode = 1, kUnloadSession = 2, kUnloadTerminate = 3 };

// What the window needs from the platform. Everything is borrowed and must
// outlive the window.
struct frmMMServices {
    vantry::audio::SoundPlayer* sound = nullptr;
    vantry::shell::Shell* shell = nullptr;
    TrayIcon* tray = nullptr;
    // Makes the settings object (start-up step "create Settings").
    std::function<std::unique_ptr<Settings>()> createSettings;
    // True when another instance already runs; start-up then ends at once.
    std::function<bool()> anotherInstanceRunning;
    // Ends the program once the window has unloaded.
    std::function<void()> endProgram;
    // The program folder ("App.Path").
    QString appPath;
    // The command-line arguments after the program name.
    QStringList arguments;
};

class frmMM;

// Routines of the recorder, composing, options and ads that run on this
// window. Empty ones do nothing, so the window works before those pieces are
// attached; each piece fills its own.
struct frmMMRoutines {
    std::function<void(frmMM&)> m_InitVolumes;
    std::function<void(frmMM&)> m_LoadRecipients;
    std::function<void(frmMM&)> m_SaveRecipients;
    std::function<void(frmMM&)> m_LoadAds;
    std::function<void(frmMM&)> m_SaveAds;
    // The advertisement timer's work other than ending (rotation, prefetch).
    std::function<void(frmMM&)> m_RotateAds;
    // Asks the relay server for new ads (after an upload found the outbox empty).
    std::function<void(frmMM&)> m_CheckForAds;
    // Shows the options window modally and unloads it.
    std::function<void(frmMM&)> m_ShowOptions;
    std::function<void(frmMM&)> cmdRecord_Click;
    std::function<void(frmMM&)> cmdPlay_Click;
    std::function<void(frmMM&)> cmdStop_Click;
    std::function<void(frmMM&)> cmdSend_Click;
    std::function<void(frmMM&)> cmdTo_Click;
    std::function<void(frmMM&)> cmdCC_Click;
    std::function<void(frmMM&)> picAd_Click;
    std::function<void(frmMM&)> tmrRecording_Timer;
};

class frmMM : public QWidget, public ReplyTarget {
    Q_OBJECT
public:
    frmMM(frmMMServices services, frmMMRoutines routines = {}, QWidget* parent = nullptr);
    ~frmMM() override;

    // The start-up sequence. False when another instance runs: the caller
    // ends the program without showing anything.
    bool Form_Load();
    // True when start-up asked for the window to stay hidden (argument "1").
    bool StartsHidden() const { return startsHidden_; }

    // Tray, menu and buttons.
    void cSysTray1_MouseDblClick(int button);
    void cSysTray1_MouseUp(int button);
    void mnuFileSend_Click();
    void mnuFileExit_Click();
    void mnuHelpContents_Click();
    void mnuHelpFAQ_Click();
    void mnuHelpAbout_Click();
    void cmdHelp_Click();
    void cmdConfigure_Click();
    void cmdHide_Click();
    void cmdClose_Click();
    void Form_KeyDown(int keyCode);
    void gifLogo_Click();
    void tmrAdvertise_Timer();
    void m_CheckForAds() { Call(routines_.m_CheckForAds); }

    // Closing: UnloadMode 0 only hides the window (when the recorder is idle).
    void Form_QueryUnload(bool& cancel, int unloadMode);
    void Form_Unload();
    // Unloads the window unless Form_QueryUnload cancels; true when unloaded.
    bool Unload(int unloadMode);
    bool IsUnloaded() const { return unloaded_; }

    // The automation class's methods act here.
    void DoReply(const QString& to, const QString& cc, const QString& subject) override;
    void ShowImmediately() override;

    // Shared state other pieces read and write.
    QString m_Status;
    QString RecipientsPlaceholder() const { return placeholder_; }
    Globals& globals() { return globals_; }
    murmel::Settings* Settings() const { return settings_.get(); }
    bool PlaySoundsEnabled() const;
    QString T(std::string_view id) const { return globals_.T(id); }
    const QString& AppPath() const { return services_.appPath; }
    frmMMServices& services() { return services_; }
    frmMMRoutines& routines() { return routines_; }
    // Plays sounds/<name> (async, or to its end when wait).
    void PlaySound(const QString& name, bool wait = false);

    Ui::frmMM* ui() const { return ui_.get(); }
    QMenu* mnuFile() const { return mnuFile_; }
    QAction* mnuFileSend() const { return mnuFileSend_; }
    QAction* mnuSep1() const { return mnuSep1_; }
    QAction* mnuHelpContents() const { return mnuHelpContents_; }
    QAction* mnuHelpFAQ() const { return mnuHelpFAQ_; }
    QAction* mnuSep2() const { return mnuSep2_; }
    QAction* mnuHelpAbout() const { return mnuHelpAbout_; }
    QAction* mnuSep3() const { return mnuSep3_; }
    QAction* mnuFileExit() const { return mnuFileExit_; }
    QTimer* tmrRecording() { return &tmrRecording_; }
    QTimer* tmrAdvertise() { return &tmrAdvertise_; }
    GifPlace* gifLogo() const { return gifLogo_; }
    GifPlace* picAd() const { return picAd_; }
    const QRegion& WindowRegion() const { return region_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenu();
    void m_LoadTranslation();
    void SetControlTexts();
    void PrepareTrayMenu();
    void OpenPage(const QString& relative);
    void Call(const std::function<void(frmMM&)>& routine);

    std::unique_ptr<Ui::frmMM> ui_;
    frmMMServices services_;
    frmMMRoutines routines_;
    std::unique_ptr<murmel::Settings> settings_;
    Globals globals_;
    QString placeholder_;
    QRegion region_;
    bool startsHidden_ = false;
    bool loaded_ = false;
    bool unloaded_ = false;

    QMenu* mnuFile_ = nullptr;
    QAction* mnuFileSend_ = nullptr;
    QAction* mnuSep1_ = nullptr;
    QAction* mnuHelpContents_ = nullptr;
    QAction* mnuHelpFAQ_ = nullptr;
    QAction* mnuSep2_ = nullptr;
    QAction* mnuHelpAbout_ = nullptr;
    QAction* mnuSep3_ = nullptr;
    QAction* mnuFileExit_ = nullptr;
    QTimer tmrRecording_;
    QTimer tmrAdvertise_;
    GifPlace* gifLogo_ = nullptr;
    GifPlace* picAd_ = nullptr;
};

}  // namespace murmel
