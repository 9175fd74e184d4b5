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
//   recorder = std::make_unique<murmel::Recorder>(view, context);  // a RecorderContext
//   routines.cmdRecord_Click = [&](frmMM&) { recorder->cmdRecord_Click(); };   // likewise
// The device's Done signal and the sliders' changes are connected by the recorder;
// buttons and the timer are left to the host (or call ConnectInputs()).

#include <QObject>
#include <QString>
#include <string_view>

#include "audio/mixer.h"
#include "audio/wave_device.h"
#include "startup/panel_context.h"

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

// The program as the recorder sees it: the shared panel services plus the
// wave device, the mixer and the animated logo.
class RecorderContext : public PanelContext {
public:
    virtual vantry::audio::WaveDevice& Device() = 0;  // MMControl1
    virtual vantry::audio::Mixer* Mixer() = 0;        // nullptr: no mixer
    virtual void LogoPlay() = 0;                      // gifLogo.Play
    virtual void LogoStill() = 0;                     // gifLogo.Stop, then Frame = 1
};

class Recorder : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Recording, Paused, IdleWithRecording, Playing };

    Recorder(RecorderView view, RecorderContext& context, QObject* parent = nullptr);
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

    RecorderView view_;
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
