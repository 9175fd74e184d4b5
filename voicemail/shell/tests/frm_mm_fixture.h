#pragma once
// A main window on fake platform services, with one trace of what start-up
// and the handlers did, in order.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <functional>
#include <map>

#include <memory>
#include <string>
#include <vector>

#include "audio/sound_player.h"
#include "audio/testing/fake_sound_player.h"
#include "composer/composer_panel.h"
#include "recorder/recorder_panel.h"
#include "settings/settings.h"
#include "shell/frm_mm.h"
#include "shell/shell.h"
#include "shell/testing/fake_shell.h"
#include "shell/testing/fake_tray_icon.h"
#include "shell/tray_icon.h"
#include "test_env.h"
#include "ui_composer_panel.h"
#include "ui_frm_mm.h"
#include "ui_recorder_panel.h"

namespace murmel::testing {

using Trace = std::vector<std::string>;

// Settings owned by the test (they outlive the window's unload), traced.
class TracedSettings : public Settings {
public:
    TracedSettings(MemorySettings& store, Trace& trace) : store_(store), trace_(trace) {}
    void VerifyRegistry() override {
        trace_.push_back("VerifyRegistry");
        store_.VerifyRegistry();
    }

protected:
    QString Read(SettingId id) const override { return store_.Value(id); }
    void Write(SettingId id, const QString& value) override {
        trace_.push_back("Let " + std::string(SettingName(id)) + "=" + value.toStdString());
        store_.SetValue(id, value);
    }

private:
    MemorySettings& store_;
    Trace& trace_;
};

class TracedSound : public vantry::audio::FakeSoundPlayer {
public:
    explicit TracedSound(Trace& trace) : trace_(trace) {}
    bool Play(const QString& path, vantry::audio::SoundMode mode) override {
        trace_.push_back("play " + QFileInfo(path).fileName().toStdString() +
                         (mode == vantry::audio::SoundMode::Sync ? " wait" : ""));
        return FakeSoundPlayer::Play(path, mode);
    }

private:
    Trace& trace_;
};

class TracedTray : public FakeTrayIcon {
public:
    explicit TracedTray(Trace& trace) : trace_(trace) {}
    void Install(const QIcon& icon, const QString& tip) override {
        trace_.push_back("tray install");
        FakeTrayIcon::Install(icon, tip);
    }
    void Remove() override {
        trace_.push_back("tray remove");
        FakeTrayIcon::Remove();
    }

private:
    Trace& trace_;
};

// The ads as the window runs them, traced by name with the status at the time.
class TracedAds : public frmMMAds {
public:
    using Step = std::function<void(const char*)>;
    explicit TracedAds(Step step) : step_(std::move(step)) {}
    void m_LoadAds() override { step_("m_LoadAds"); }
    void m_SaveAds() override { step_("m_SaveAds"); }
    void m_RotateAds() override { step_("m_RotateAds"); }
    void m_CheckForAds() override { step_("m_CheckForAds"); }

private:
    Step step_;
};

// One window per test, on a fresh program folder holding the shipped
// language files.
class FormHarness {
public:
    explicit FormHarness(QStringList arguments = {})
        : sound(trace), tray(trace), ads([this](const char* name) { Step(name); }) {
        appPath = QString::fromStdString(vantry::test::FreshDir("app").string());
        const QString lang = QStringLiteral(MURMEL_RESOURCES_DIR "/lang");
        QDir().mkpath(appPath + "/lang");
        for (const char* file : {"00000409.txt", "00000407.txt"}) {
            QFile::copy(lang + "/" + file, appPath + "/lang/" + file);
        }
        services.sound = &sound;
        services.shell = &shell;
        services.tray = &tray;
        services.createSettings = [this] { return std::make_unique<TracedSettings>(store, trace); };
        services.anotherInstanceRunning = [this] {
            trace.push_back("instance test");
            return otherInstance;
        };
        services.endProgram = [this] {
            trace.push_back("end program");
            ++ended;
        };
        services.appPath = appPath;
        services.arguments = std::move(arguments);
    }

    // Makes the window with its steps traced; the panels stay unattached.
    frmMM& Make() {
        form = std::make_unique<frmMM>(services);
        form->AttachAds(ads);
        auto traced = [this](const char* name) { return [this, name] { Step(name); }; };
        QObject::connect(form.get(), &frmMM::InitVolumes, traced("m_InitVolumes"));
        QObject::connect(form.get(), &frmMM::LoadRecipients, traced("m_LoadRecipients"));
        QObject::connect(form.get(), &frmMM::SaveRecipients, traced("m_SaveRecipients"));
        QObject::connect(form.get(), &frmMM::OptionsRequested, traced("m_ShowOptions"));
        return *form;
    }

    // Makes the window, runs start-up and shows it as the entry routine does.
    frmMM& Start() {
        Make();
        if (form->Form_Load() && !form->StartsHidden()) {
            form->show();
        }
        return *form;
    }

    // A window past its first run (a sender address is set, so no options
    // window), with navigation sounds on or off, and the start's sounds forgotten.
    frmMM& StartSetUp(bool sounds) {
        store.setMyEmail("me@example.org");
        store.setPlaySounds(sounds ? "1" : "0");
        Start();
        sound.clear();
        return *form;
    }

    Ui::RecorderPanel& RecorderUi() const { return *form->recorderPanel()->ui(); }
    Ui::ComposerPanel& ComposerUi() const { return *form->composerPanel()->ui(); }
    // Enabled flags of Record, Play, Stop, Send, Close, Hide.
    std::string Buttons() const {
        std::string flags;
        const Ui::RecorderPanel& rec = RecorderUi();
        for (const QWidget* b : std::initializer_list<const QWidget*>{
                 rec.cmdRecord, rec.cmdPlay, rec.cmdStop, rec.cmdSend, form->ui()->cmdClose,
                 form->ui()->cmdHide}) {
            flags += b->isEnabled() ? 'Y' : 'N';
        }
        return flags;
    }

    bool Traced(const std::string& entry) const {
        return std::find(trace.begin(), trace.end(), entry) != trace.end();
    }
    // Position of an entry in the trace, -1 when absent.
    int IndexOf(const std::string& entry) const {
        const auto it = std::find(trace.begin(), trace.end(), entry);
        return it == trace.end() ? -1 : static_cast<int>(it - trace.begin());
    }

    void Step(const char* name) {
        trace.push_back(name);
        statusDuring[name] = form->m_Status;
    }

    Trace trace;
    std::map<std::string, QString> statusDuring;
    MemorySettings store;
    TracedSound sound;
    vantry::shell::FakeShell shell;
    TracedTray tray;
    bool otherInstance = false;
    int ended = 0;
    QString appPath;
    frmMMServices services;
    TracedAds ads;
    std::unique_ptr<frmMM> form;
};

}  // namespace murmel::testing
