#pragma once
// The recorder of the main window: records one spoken message into in.wav, pauses,
// resumes, stops, plays it back, shows the elapsed time and keeps the microphone and
// speaker levels. It drives the widgets it is given and changes state only on the
// wave device's completion reports.
//
// Usage (frmMM):
//   murmel::RecorderView view{ui->cmdRecord, ui->cmdPlay, ui->cmdStop, ui->cmdSend,
//                             ui->cmdClose, ui->cmdHide, ui->lblStatus, ui->Slider1,
//                             ui->Slider2, &tmrRecording_, this};
//   murmel::RecorderServices services;  // device, mixer, T, sounds, message box, logo ...
//   recorder = std::make_unique<murmel::Recorder>(view, services);
//   routines.cmdRecord_Click = [&](frmMM&) { recorder->cmdRecord_Click(); };   // likewise
//   routines.m_InitVolumes = [&](frmMM&) { recorder->m_InitVolumes(); };       // the rest
// The device's Done signal and the sliders' changes are connected by the recorder;
// buttons and the timer are left to the host (or call ConnectInputs()).

#include <QObject>
#include <QString>
#include <functional>
#include <string_view>

#include "audio/mixer.h"
#include "audio/wave_device.h"

class QAbstractButton;
class QAbstractSlider;
class QLabel;
class QTimer;
class QWidget;

namespace murmel {

// The widgets of the recorder; all borrowed, all required except `window`.
struct RecorderView {
    QAbstractButton* cmdRecord = nullptr;
    QAbstractButton* cmdPlay = nullptr;
    QAbstractButton* cmdStop = nullptr;
    QAbstractButton* cmdSend = nullptr;
    QAbstractButton* cmdClose = nullptr;
    QAbstractButton* cmdHide = nullptr;
    QLabel* lblStatus = nullptr;
    QAbstractSlider* Slider1 = nullptr;  // microphone level (holds minus the level)
    QAbstractSlider* Slider2 = nullptr;  // output level (holds minus the level)
    QTimer* tmrRecording = nullptr;      // one second
    QWidget* window = nullptr;           // repainted on state changes
};

// What the recorder needs from the window and the platform. Empty functions are
// skipped.
struct RecorderServices {
    vantry::audio::WaveDevice* device = nullptr;  // MMControl1
    vantry::audio::Mixer* mixer = nullptr;        // nullptr: no mixer
    QString appPath;                              // in.wav lives here
    QString* status = nullptr;                    // the window's m_Status
    std::function<QString(std::string_view id)> T;
    std::function<QString(std::string_view property)> setting;  // InVolume, OutVolume
    std::function<bool()> playSoundsEnabled;
    std::function<void(const QString& file, bool wait)> playSound;  // "click.wav"
    std::function<void(const QString& text)> messageBox;            // OK button
    std::function<void()> logoPlay;                                 // gifLogo.Play
    std::function<void()> logoStill;                                // gifLogo.Stop, then Frame = 1
};

class Recorder : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Recording, Paused, IdleWithRecording, Playing };

    Recorder(RecorderView view, RecorderServices services, QObject* parent = nullptr);
    ~Recorder() override;

    // Connects the buttons' clicks and the timer to the handlers below, for hosts that
    // do not route them themselves.
    void ConnectInputs();

    void m_InitVolumes();
    void cmdRecord_Click();
    void cmdPlay_Click();
    void cmdStop_Click();
    void MMControl1_Done(int notifyCode);
    void tmrRecording_Timer();
    void Slider1_Change();
    void Slider2_Change();

    State state() const { return state_; }
    const QString& m_Command() const { return m_Command_; }
    int m_Ticks() const { return m_Ticks_; }
    int m_Length() const { return m_Length_; }
    bool microphoneFound() const { return micFound_; }
    bool speakersFound() const { return speakerFound_; }
    QString RecordingPath() const;

private:
    QString T(std::string_view id) const;
    QString& Status();
    int Send(const QString& command);
    void AbandonStart(State state, std::string_view statusId);
    void EndRecording();
    void ApplyState(State state);
    void SetRecordCaption(std::string_view caption, std::string_view tooltip);
    void Repaint();
    void LogoPlay();
    void LogoStill();
    void KeepSlider2();
    void RestoreSlider2();
    void InitSlider(QAbstractSlider* slider, bool found, std::string_view property);
    void SliderChanged(QAbstractSlider* slider, std::string_view tipId, bool found,
                       const vantry::audio::MixerControl& control);
    void ShowTime();
    void ClickSound(bool wait);

    RecorderView view_;
    RecorderServices services_;
    QString ownStatus_;
    QString m_Command_;
    int m_Ticks_ = 0;
    int m_Length_ = 0;
    State state_ = State::Idle;
    bool mixerOpen_ = false;
    bool micFound_ = false;
    bool speakerFound_ = false;
    vantry::audio::MixerControl mic_;
    vantry::audio::MixerControl speakers_;
    int saveError_ = 0;
    QString saveMessage_;
    QString pendingError_;  // of a start that failed at once, shown at the next report
};

}  // namespace murmel
