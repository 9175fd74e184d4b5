#include "app/program_services.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "ads/ad_service.h"
#include "audio/mixer.h"
#include "audio/recording_format.h"
#include "audio/wave_device.h"
#include "composer/composer.h"
#include "composer/composer_panel.h"
#include "options/main_window_options.h"
#include "picker/frm_addresses.h"
#include "picker/main_window_context.h"
#include "recorder/recorder.h"
#include "recorder/recorder_panel.h"
#include "registry/registry.h"
#include "settings/registry_settings.h"
#include "upload/frm_email.h"

namespace murmel {

namespace {

// A new recording uses the system's default recording format, which start-up
// and the options window set by name.
void ApplySystemRecordingFormat(vantry::audio::WaveDevice& device) {
    vantry::registry::Store store;
    vantry::registry::Value value;
    QString name;
    if (store.QueryValue(vantry::registry::Hive::Users, kAudioKey.toStdString(), "DefaultFormat",
                         &value) == vantry::registry::kSuccess) {
        name = QString::fromStdString(value.Text());
    }
    const auto* format = vantry::audio::FindRecordingFormat(name);
    device.setRecordingFormat(format ? *format : vantry::audio::PreferredRecordingFormat());
}

// The panels' shared services over the main window.
template <typename Context>
class WindowContext : public Context {
public:
    explicit WindowContext(frmMM& form) : form_(form) {}
    QString T(std::string_view id) const override { return form_.T(id); }
    Settings& settings() override { return form_.Settings() ? *form_.Settings() : unloaded_; }
    void PlaySound(const QString& name, bool wait) override {
        if (form_.PlaySoundsEnabled()) {
            form_.PlaySound(name, wait);
        }
    }
    void MessageBox(const QString& text) override {
        QMessageBox box(QMessageBox::Information, QStringLiteral("MurmelMail"), text,
                        QMessageBox::Ok, &form_);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }
    QString& Status() override { return form_.m_Status; }
    QString AppPath() const override { return form_.AppPath(); }

protected:
    frmMM& form_;

private:
    MemorySettings unloaded_;  // before start-up has made the settings
};

class WindowRecorderContext : public WindowContext<RecorderContext> {
public:
    using WindowContext::WindowContext;
    vantry::audio::WaveDevice& Device() override { return *device; }
    vantry::audio::Mixer* Mixer() override { return mixer.get(); }
    void LogoPlay() override { form_.gifLogo()->Play(); }
    void LogoStill() override {
        form_.gifLogo()->Stop();
        form_.gifLogo()->SetFrame(1);
    }
    void ApplyRecordingFormat() override { ApplySystemRecordingFormat(*device); }

    // Owned here alone: a Qt parent would delete them a second time.
    std::unique_ptr<vantry::audio::WaveDevice> device = vantry::audio::CreateSystemWaveDevice();
    std::unique_ptr<vantry::audio::Mixer> mixer = vantry::audio::CreateSystemMixer();
};

class WindowComposerContext : public WindowContext<ComposerContext> {
public:
    using WindowContext::WindowContext;
    void ShowUploadWindow() override {
        frmMM& form = form_;
        UploadServices us;
        us.appPath = form.AppPath();
        us.connectTo = [&form] {
            return form.Settings() ? form.Settings()->ConnectTo() : QString();
        };
        us.T = [&form](std::string_view id) { return form.T(id); };
        us.soundsEnabled = [&form] { return form.PlaySoundsEnabled(); };
        us.playSound = [&form](const QString& path) {
            if (form.services().sound) {
                form.services().sound->Play(path, vantry::audio::SoundMode::Async);
            }
        };
        us.checkForAds = [&form] { form.m_CheckForAds(); };
        frmEmail::ShowUpload(std::move(us));
    }
    std::optional<QStringList> PickAddresses(bool) override {
        frmMM& form = form_;
        MainWindowPickerContext context(form,
                                        [&form](int initialTab) { ShowOptions(form, initialTab); });
        frmAddresses picker(context, &form);
        picker.exec();
        return picker.CheckedAddresses();
    }
};

}  // namespace

ProgramServices CreateProgramServices() {
    ProgramServices s;
    s.sound = vantry::audio::CreateSystemSoundPlayer();
    s.shell = vantry::shell::CreateSystemShell();
    s.createSettings = []() -> std::unique_ptr<Settings> {
        return std::make_unique<RegistrySettings>(std::make_unique<cRegistry>());
    };
    return s;
}

struct ProgramPieces::Parts {
    explicit Parts(frmMM& form) : composing(form), recording(form) {}
    WindowComposerContext composing;
    WindowRecorderContext recording;
    std::unique_ptr<Composer> composer;
    std::unique_ptr<Recorder> recorder;
    std::unique_ptr<AdService> ads;
};

ProgramPieces::ProgramPieces(frmMM& form) : parts_(std::make_unique<Parts>(form)) {
    parts_->recorder = std::make_unique<Recorder>(*form.recorderPanel(), parts_->recording);
    parts_->composer = std::make_unique<Composer>(*form.composerPanel(), parts_->composing);
    form.AttachPanels(*parts_->recorder, *parts_->composer);

    // The configure button and the first run open the options on the mail page.
    QObject::connect(&form, &frmMM::OptionsRequested, &form, [&form] { ShowOptions(form, 0); });

    // The picture downloader is installed beside the program.
    parts_->ads = std::make_unique<AdService>(
        form, QCoreApplication::applicationDirPath() + QStringLiteral("/getad"));
    parts_->ads->Attach();

    // The logo and the ads are animated-picture controls, when installed.
    const QString bin = QCoreApplication::applicationDirPath();
    for (const QString& libs :
         {bin + QStringLiteral("/../lib"), bin + QStringLiteral("/../" MURMEL_INSTALL_LIBDIR)}) {
        if (form.gifLogo()->Host(CreateGifControl(libs))) {
            form.picAd()->Host(CreateGifControl(libs));
            break;
        }
    }
}

ProgramPieces::~ProgramPieces() = default;

}  // namespace murmel
