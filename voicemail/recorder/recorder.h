#pragma once
// The recorder of the main window: records one spoken message into in.wav, pauses,
// resumes, stops, plays it back, shows the elapsed time and keeps the microphone and
// speaker levels. It drives its panel and changes state only on the wave device's
// completion reports.
//
// clang-format off
//   murmel::Recorder recorder(*window.recorderPanel(), context);  // a RecorderContext
//   recorder.m_InitVolumes();                                      // during start-up
// clang-format on
// The panel's buttons and timer, the device's reports and the sliders' changes are
// connected by the recorder. The window's Close and Hide follow CloseAllowed.

#include <QObject>
#include <QString>
#include <string_view>

#include "audio/mixer.h"
#include "audio/wave_device.h"
#include "startup/panel_context.h"

class QAbstractSlider;

namespace Ui {
class RecorderPanel;
}

namespace murmel {

class RecorderPanel;

// The program as the recorder sees it: the shared panel services plus the
// wave device, the mixer and the animated logo.
class RecorderContext : public PanelContext {
public:
    virtual vantry::audio::WaveDevice& Device() = 0;  // MMControl1
    virtual vantry::audio::Mixer* Mixer() = 0;        // nullptr: no mixer
    virtual void LogoPlay() = 0;                      // gifLogo.Play
    virtual void LogoStill() = 0;                     // gifLogo.Stop, then Frame = 1
    // Puts the system's recording format in force before a new recording.
    virtual void ApplyRecordingFormat() {}
};

class Recorder : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Recording, Paused, IdleWithRecording, Playing };

    // Drives PANEL, whose Slider1 holds minus the microphone level and Slider2
    // minus the output level.
    Recorder(RecorderPanel& panel, RecorderContext& context, QObject* parent = nullptr);
    ~Recorder() override;

    void m_InitVolumes();
    void cmdRecord_Click();
    void cmdPlay_Click();
    void cmdStop_Click();
    void MMControl1_Done(int notifyCode);
    void tmrRecording_Timer();
    void Slider1_Change();
    void Slider2_Change();

    // A send takes the buttons while it runs; it gives them back as the idle
    // state without a recording once the message is queued, and with the
    // recording kept for a retry otherwise.
    void SendingStarted();
    void SendingEnded(bool sent);

    State state() const { return state_; }
    const QString& m_Command() const { return m_Command_; }
    int m_Ticks() const { return m_Ticks_; }
    int m_Length() const { return m_Length_; }
    bool microphoneFound() const { return micFound_; }
    bool speakersFound() const { return speakerFound_; }
    QString RecordingPath() const;

signals:
    // The window may close into the tray (Close and Hide enabled): false while
    // recording, paused, playing or sending.
    void CloseAllowed(bool allowed);

private:
    QString T(std::string_view id) const { return context_.T(id); }
    int Send(const QString& command);
    void AbandonStart(State state, std::string_view statusId);
    void EndRecording();
    void ApplyState(State state);
    void SetRecordCaption(std::string_view caption, std::string_view tooltip);
    void Repaint();
    void KeepSlider2();
    void RestoreSlider2();
    void InitSlider(QAbstractSlider* slider, bool found, const QString& saved);
    void SliderChanged(QAbstractSlider* slider, std::string_view tipId, bool found,
                       const vantry::audio::MixerControl& control);
    void ShowTime();
    void ClickSound(bool wait);

    RecorderPanel& panel_;
    Ui::RecorderPanel& ui_;
    RecorderContext& context_;
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
