#pragma once
// frmMM, the main window: a borderless cut-corner window that lives in the
// tray. It runs the start-up sequence, holds the recorder's and the composer's
// panels and the ad controls, shows and hides itself from the tray, and ends
// the program through the tray menu's Exit.

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

class Composer;
class ComposerPanel;
class Recorder;
class RecorderPanel;

// The ads as the window runs them: loaded at start-up, rotated on the
// advertisement timer, saved at unload, and checked after an upload.
class frmMMAds {
public:
    virtual ~frmMMAds() = default;
    virtual void m_LoadAds() = 0;
    virtual void m_SaveAds() = 0;
    // The advertisement timer's work other than ending (rotation, prefetch).
    virtual void m_RotateAds() = 0;
    // Asks the relay server for new ads (after an upload found the outbox empty).
    virtual void m_CheckForAds() = 0;
};

class frmMM : public QWidget, public ReplyTarget {
    Q_OBJECT
public:
    explicit frmMM(frmMMServices services, QWidget* parent = nullptr);
    ~frmMM() override;

    // Lets the recorder and the composer run on this window's panels: start-up
    // and unload call them, Send goes to the composer, the recorder takes its
    // buttons back after a send and says when the window may close.
    void AttachPanels(Recorder& recorder, Composer& composer);
    // The ads this window loads, rotates and saves; none until attached.
    void AttachAds(frmMMAds& ads) { ads_ = &ads; }

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
    void m_CheckForAds();

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
    // Plays sounds/<name> (async, or to its end when wait).
    void PlaySound(const QString& name, bool wait = false);

    Ui::frmMM* ui() const { return ui_.get(); }
    RecorderPanel* recorderPanel() const;
    ComposerPanel* composerPanel() const;
    QMenu* mnuFile() const { return mnuFile_; }
    QAction* mnuFileSend() const { return mnuFileSend_; }
    QAction* mnuSep1() const { return mnuSep1_; }
    QAction* mnuHelpContents() const { return mnuHelpContents_; }
    QAction* mnuHelpFAQ() const { return mnuHelpFAQ_; }
    QAction* mnuSep2() const { return mnuSep2_; }
    QAction* mnuHelpAbout() const { return mnuHelpAbout_; }
    QAction* mnuSep3() const { return mnuSep3_; }
    QAction* mnuFileExit() const { return mnuFileExit_; }
    QTimer* tmrRecording();
    QTimer* tmrAdvertise() { return &tmrAdvertise_; }
    GifPlace* gifLogo() const { return gifLogo_; }
    GifPlace* picAd() const { return picAd_; }
    const QRegion& WindowRegion() const { return region_; }

signals:
    // Start-up and unload steps the recorder and the composer run, and the
    // options window (start-up on the first run, and the Configure button).
    void InitVolumes();
    void LoadRecipients();
    void SaveRecipients();
    void OptionsRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMenu();
    void m_LoadTranslation();
    void SetControlTexts();
    void PrepareTrayMenu();
    void OpenPage(const QString& relative);
    void PlacePanels();
    void SetCloseAllowed(bool allowed);

    std::unique_ptr<Ui::frmMM> ui_;
    frmMMServices services_;
    frmMMAds* ads_ = nullptr;
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
    QTimer tmrAdvertise_;
    GifPlace* gifLogo_ = nullptr;
    GifPlace* picAd_ = nullptr;
};

}  // namespace murmel
