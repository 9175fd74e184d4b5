#include "program_services.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "ad_service.h"
#include "audio/mixer.h"
#include "audio/recording_format.h"
#include "audio/wave_device.h"
#include "composer.h"
#include "frm_email.h"
#include "options/main_window_options.h"
#include "picker/frm_addresses.h"
#include "picker/main_window_context.h"
#include "recorder.h"
#include "registry/registry.h"
#include "registry_settings.h"
#include "ui_frm_mm.h"

namespace murmel {

namespace {

// The sender's settings, read from the window's settings at the moment of use.
class FormPostSettings : public PostSettings {
public:
    explicit FormPostSettings(frmMM& form) : form_(form) {}
    QString MyEmail() const override { return Get("MyEmail"); }
    QString MyName() const override { return Get("MyName"); }
    QString MyCc() const override { return Get("MyCc"); }
    QString MyOrganization() const override { return Get("MyOrganization"); }
    QString UserLanguage() const override { return Get("UserLanguage"); }
    QString MyNote() const override { return Get("MyNote"); }

private:
    QString Get(std::string_view name) const {
        return form_.Settings() ? form_.Settings()->Get(name) : QString();
    }
    frmMM& form_;
};

}  // namespace

ProgramServices CreateProgramServices() {
    ProgramServices s;
    s.sound = vantry::audio::CreateSystemSoundPlayer();
    s.shell = vantry::shell::CreateSystemShell();
    s.createSettings = []() -> std::unique_ptr<FormSettings> {
        return std::make_unique<RegistryFormSettings>(std::make_unique<cRegistry>());
    };
    return s;
}

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

}  // namespace

struct ProgramPieces::Parts {
    explicit Parts(frmMM& form) : post(form) {}
    FormPostSettings post;
    std::unique_ptr<Composer> composer;
    std::unique_ptr<vantry::audio::WaveDevice> device;
    std::unique_ptr<vantry::audio::Mixer> mixer;
    std::unique_ptr<Recorder> recorder;
    std::unique_ptr<AdService> ads;
};

ProgramPieces::ProgramPieces(frmMM& form) : parts_(std::make_unique<Parts>(form)) {
    Ui::frmMM& u = *form.ui();
    ComposerView view;
    view.form = &form;
    view.cmbTo = u.cmbTo;
    view.cmbCc = u.cmbCc;
    view.cmdTo = u.cmdTo;
    view.cmdCc = u.cmdCc;
    view.txtSubject = u.txtSubject;
    view.chkReturnReceipt = u.chkReturnReceipt;
    view.lblReturnReceipt = u.lblReturnReceipt;
    view.lblStatus = u.lblStatus;
    view.cmdRecord = u.cmdRecord;
    view.cmdPlay = u.cmdPlay;
    view.cmdStop = u.cmdStop;
    view.cmdSend = u.cmdSend;
    view.cmdClose = u.cmdClose;
    view.cmdHide = u.cmdHide;

    ComposerServices cs;
    cs.appPath = form.AppPath();
    cs.settings = &parts_->post;
    cs.T = [&form](std::string_view id) { return form.T(id); };
    cs.soundsEnabled = [&form] { return form.PlaySoundsEnabled(); };
    cs.playSound = [&form](const QString& path) {
        if (form.services().sound) {
            form.services().sound->Play(path, vantry::audio::SoundMode::Async);
        }
    };
    cs.messageBox = [&form](const QString& text) {
        QMessageBox::information(&form, QStringLiteral("MurmelMail"), text);
    };
    cs.showUploadWindow = [&form] {
        UploadServices us;
        us.appPath = form.AppPath();
        us.connectTo = [&form] {
            return form.Settings() ? form.Settings()->Get("ConnectTo") : QString();
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
    };
    cs.pickAddresses = [&form](bool) {
        MainWindowPickerContext context(form,
                                        [&form](int initialTab) { ShowOptions(form, initialTab); });
        frmAddresses picker(context, &form);
        picker.exec();
        return std::optional<QStringList>(picker.CheckedAddresses());
    };
    cs.status = [&form] { return form.m_Status; };
    cs.setStatus = [&form](const QString& status) { form.m_Status = status; };
    parts_->composer = std::make_unique<Composer>(view, std::move(cs));

    // The configure button and the first run open the options on the mail page.
    form.routines().m_ShowOptions = [](frmMM& window) { ShowOptions(window, 0); };

    Composer* composer = parts_->composer.get();
    form.routines().m_LoadRecipients = [composer](frmMM&) { composer->m_LoadRecipients(); };
    form.routines().m_SaveRecipients = [composer](frmMM&) { composer->m_SaveRecipients(); };

    AttachRecorder(form);

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

void ProgramPieces::AttachRecorder(frmMM& form) {
    Ui::frmMM& u = *form.ui();
    // Owned here alone: a Qt parent would delete it a second time.
    parts_->device = vantry::audio::CreateSystemWaveDevice();
    parts_->mixer = vantry::audio::CreateSystemMixer();

    RecorderView view;
    view.cmdRecord = u.cmdRecord;
    view.cmdPlay = u.cmdPlay;
    view.cmdStop = u.cmdStop;
    view.cmdSend = u.cmdSend;
    view.cmdClose = u.cmdClose;
    view.cmdHide = u.cmdHide;
    view.lblStatus = u.lblStatus;
    view.Slider1 = u.Slider1;
    view.Slider2 = u.Slider2;
    view.tmrRecording = form.tmrRecording();
    view.window = &form;

    RecorderServices rs;
    rs.device = parts_->device.get();
    rs.mixer = parts_->mixer.get();
    rs.appPath = form.AppPath();
    rs.status = &form.m_Status;
    rs.T = [&form](std::string_view id) { return form.T(id); };
    rs.setting = [&form](std::string_view property) {
        return form.Settings() ? form.Settings()->Get(property) : QString();
    };
    rs.playSoundsEnabled = [&form] { return form.PlaySoundsEnabled(); };
    rs.playSound = [&form](const QString& file, bool wait) { form.PlaySound(file, wait); };
    rs.messageBox = [&form](const QString& text) {
        QMessageBox::information(&form, QStringLiteral("MurmelMail"), text);
    };
    rs.logoPlay = [&form] { form.gifLogo()->Play(); };
    rs.logoStill = [&form] {
        form.gifLogo()->Stop();
        form.gifLogo()->SetFrame(1);
    };
    parts_->recorder = std::make_unique<Recorder>(view, std::move(rs));

    Recorder* recorder = parts_->recorder.get();
    frmMMRoutines& r = form.routines();
    r.m_InitVolumes = [recorder](frmMM&) { recorder->m_InitVolumes(); };
    vantry::audio::WaveDevice* device = parts_->device.get();
    r.cmdRecord_Click = [recorder, device](frmMM&) {
        if (device && device->mode() != vantry::audio::kModeRecording &&
            device->mode() != vantry::audio::kModePaused) {
            ApplySystemRecordingFormat(*device);
        }
        recorder->cmdRecord_Click();
    };
    r.cmdPlay_Click = [recorder](frmMM&) { recorder->cmdPlay_Click(); };
    r.cmdStop_Click = [recorder](frmMM&) { recorder->cmdStop_Click(); };
    r.tmrRecording_Timer = [recorder](frmMM&) { recorder->tmrRecording_Timer(); };
}

ProgramPieces::~ProgramPieces() = default;

}  // namespace murmel
