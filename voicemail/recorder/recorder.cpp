#include "recorder/recorder.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <utility>

#include "recorder/recorder_panel.h"
#include "settings/settings.h"
#include "ui_recorder_panel.h"

namespace murmel {
namespace {

using vantry::audio::kComponentDstSpeakers;
using vantry::audio::kComponentSrcMicrophone;
using vantry::audio::kControlTypeVolume;

// The end of a slider whose value means level 0, and the other one.
int ZeroEnd(const QAbstractSlider* s) {
    return std::abs(s->minimum()) <= std::abs(s->maximum()) ? s->minimum() : s->maximum();
}
int FullEnd(const QAbstractSlider* s) {
    return ZeroEnd(s) == s->minimum() ? s->maximum() : s->minimum();
}

// The number at the start of a text, as a settings value is read (0 when none).
int LeadingNumber(const QString& text) {
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t[end] == QLatin1Char('-') || t[end] == QLatin1Char('+'))) {
        ++end;
    }
    while (end < t.size() && t[end].isDigit() && end < 10) {
        ++end;
    }
    bool ok = false;
    const int value = t.left(end).toInt(&ok);
    return ok ? value : 0;
}

QString MinutesSeconds(int seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

Recorder::Recorder(RecorderPanel& panel, RecorderContext& context, QObject* parent)
    : QObject(parent), panel_(panel), ui_(*panel.ui()), context_(context) {
    connect(&context_.Device(), &vantry::audio::WaveDevice::Done, this, &Recorder::MMControl1_Done);
    connect(ui_.Slider1, &QAbstractSlider::valueChanged, this, &Recorder::Slider1_Change);
    connect(ui_.Slider2, &QAbstractSlider::valueChanged, this, &Recorder::Slider2_Change);
    connect(ui_.cmdRecord, &QAbstractButton::clicked, this, &Recorder::cmdRecord_Click);
    connect(ui_.cmdPlay, &QAbstractButton::clicked, this, &Recorder::cmdPlay_Click);
    connect(ui_.cmdStop, &QAbstractButton::clicked, this, &Recorder::cmdStop_Click);
    connect(panel_.tmrRecording(), &QTimer::timeout, this, &Recorder::tmrRecording_Timer);
}

Recorder::~Recorder() = default;

QString Recorder::RecordingPath() const {
    return context_.AppPath() + QStringLiteral("/in.wav");
}

int Recorder::Send(const QString& command) {
    m_Command_ = command;
    return context_.Device().setCommand(command);
}

// A record or play that failed as it was sent: the device is closed again, so no
// later report can leave a busy state behind, and the error waits for the next report.
void Recorder::AbandonStart(State state, std::string_view statusId) {
    pendingError_ = context_.Device().errorMessage();
    Send(QStringLiteral("close"));
    context_.LogoStill();
    ApplyState(state);
    context_.Status().clear();
    ui_.lblStatus->setText(T(statusId));
}

// Saves and closes a recording that has ended; one that holds no sound is no
// recording, and saying "recorded" would send the user to a Send that does nothing.
void Recorder::EndRecording() {
    const bool hasSound = context_.Device().length() > 0;
    Send(QStringLiteral("save"));
    saveError_ = context_.Device().error();
    saveMessage_ = context_.Device().errorMessage();
    Send(QStringLiteral("close"));
    const bool recorded = hasSound && saveError_ == 0 && QFile::exists(RecordingPath());
    if (!recorded) {
        QFile::remove(RecordingPath());
    }
    ApplyState(recorded ? State::IdleWithRecording : State::Idle);
    context_.Status().clear();
    ui_.lblStatus->setText(recorded ? T("mm0049") : saveError_ != 0 ? saveMessage_ : T("mm0082"));
}

void Recorder::ClickSound(bool wait) {
    context_.PlaySound(QStringLiteral("click.wav"), wait);
}

void Recorder::Repaint() {
    panel_.window()->repaint();
}

void Recorder::SetRecordCaption(std::string_view caption, std::string_view tooltip) {
    ui_.cmdRecord->setText(T(caption));
    ui_.cmdRecord->setToolTip(T(tooltip));
}

// The button table of the recorder's states. The timer is left to the callers: the
// report branches switch it themselves, and one of them reads it.
void Recorder::ApplyState(State state) {
    struct Row {
        std::string_view caption, tooltip;
        bool record, play, stop, send, close;  // close: Close and Hide
    };
    static const Row rows[] = {
        {"mm0063", "mm0038", true, false, false, false, true},   // idle
        {"mm0077", "mm0078", true, false, true, false, false},   // recording
        {"mm0079", "mm0080", true, false, false, false, false},  // paused
        {"mm0063", "mm0038", true, true, false, true, true},     // idle with recording
        {"mm0063", "mm0038", false, false, true, false, false},  // playing
    };
    const Row& r = rows[static_cast<int>(state)];
    state_ = state;
    SetRecordCaption(r.caption, r.tooltip);
    ui_.cmdRecord->setEnabled(r.record);
    ui_.cmdPlay->setEnabled(r.play);
    ui_.cmdStop->setEnabled(r.stop);
    ui_.cmdSend->setEnabled(r.send);
    emit CloseAllowed(r.close);
}

void Recorder::SendingStarted() {
    for (QAbstractButton* b : {ui_.cmdRecord, ui_.cmdPlay, ui_.cmdStop, ui_.cmdSend}) {
        b->setEnabled(false);
    }
    emit CloseAllowed(false);
}

void Recorder::SendingEnded(bool sent) {
    ApplyState(sent ? State::Idle : State::IdleWithRecording);
    if (sent) {
        ui_.cmdRecord->setFocus();
        Repaint();
    }
}

void Recorder::m_InitVolumes() {
    vantry::audio::Mixer* mixer = context_.Mixer();
    mixerOpen_ = mixer != nullptr && mixer->Open(0);
    if (!mixerOpen_) {
        ui_.Slider1->setEnabled(false);
        ui_.Slider2->setEnabled(false);
    }
    micFound_ = mixerOpen_ && vantry::audio::GetVolumeControl(*mixer, kComponentSrcMicrophone,
                                                              kControlTypeVolume, mic_);
    InitSlider(ui_.Slider1, micFound_, context_.settings().InVolume());
    speakerFound_ = mixerOpen_ && vantry::audio::GetVolumeControl(*mixer, kComponentDstSpeakers,
                                                                  kControlTypeVolume, speakers_);
    InitSlider(ui_.Slider2, speakerFound_, context_.settings().OutVolume());
}

void Recorder::InitSlider(QAbstractSlider* slider, bool found, const QString& saved) {
    if (!found) {
        slider->setEnabled(false);
        return;
    }
    int value = 0;
    if (saved.isEmpty()) {
        value = ZeroEnd(slider) + (FullEnd(slider) - ZeroEnd(slider)) / 3;
    } else {
        value = -LeadingNumber(saved);
    }
    const int before = slider->value();
    slider->setValue(value);
    if (slider->value() == before) {
        // Setting the same value raises no change; the level must still be applied.
        slider == ui_.Slider1 ? Slider1_Change() : Slider2_Change();
    }
}

void Recorder::Slider1_Change() {
    SliderChanged(ui_.Slider1, "mm0058", micFound_, mic_);
}

void Recorder::Slider2_Change() {
    SliderChanged(ui_.Slider2, "mm0059", speakerFound_, speakers_);
}

void Recorder::SliderChanged(QAbstractSlider* slider, std::string_view tipId, bool found,
                             const vantry::audio::MixerControl& control) {
    const int level = std::abs(slider->value());
    const int full = std::abs(FullEnd(slider));
    const int percent = full > 0 ? qRound(100.0 * level / full) : 0;
    slider->setToolTip(T(tipId) + QStringLiteral(": ") + QString::number(percent));
    if (found) {
        vantry::audio::SetVolumeControl(*context_.Mixer(), control, static_cast<uint32_t>(level));
    }
}

void Recorder::cmdRecord_Click() {
    ClickSound(true);
    const QString caption = ui_.cmdRecord->text();
    vantry::audio::WaveDevice* device = &context_.Device();
    if (caption.compare(T("mm0063"), Qt::CaseInsensitive) == 0) {
        context_.LogoPlay();
        ui_.lblStatus->setText(T("mm0003"));
        QFile::remove(RecordingPath());
        context_.ApplyRecordingFormat();
        device->setNotify(true);
        device->setDeviceType(QStringLiteral("WaveAudio"));
        device->setFileName(RecordingPath());
        if (Send(QStringLiteral("open")) != 0 || Send(QStringLiteral("record")) != 0) {
            AbandonStart(State::Idle, "mm0082");
            return;
        }
        context_.Status() = T("mm0050");
        SetRecordCaption("mm0077", "mm0078");
    } else if (caption.compare(T("mm0077"), Qt::CaseInsensitive) == 0) {
        device->setNotify(true);
        Send(QStringLiteral("pause"));
        SetRecordCaption("mm0079", "mm0080");
        ui_.cmdStop->setEnabled(false);
    } else if (caption.compare(T("mm0079"), Qt::CaseInsensitive) == 0) {
        device->setNotify(true);
        Send(QStringLiteral("next"));
        Send(QStringLiteral("record"));
        SetRecordCaption("mm0077", "mm0078");
        ui_.cmdStop->setEnabled(true);
    }
}

void Recorder::cmdPlay_Click() {
    ClickSound(true);
    context_.LogoPlay();
    ui_.lblStatus->setText(T("mm0004"));
    context_.Device().setNotify(true);
    if (Send(QStringLiteral("open")) != 0 || Send(QStringLiteral("play")) != 0) {
        AbandonStart(State::IdleWithRecording, "mm0049");
        return;
    }
    m_Length_ = static_cast<int>(context_.Device().length() / 1000) + 1;
    context_.Status() = T("mm0051");
}

void Recorder::cmdStop_Click() {
    context_.Device().setNotify(true);
    Send(QStringLiteral("stop"));
    ClickSound(false);
}

// The value kept at a recording's start is given back once: a later restore (the
// stop of a playback) must not undo a level the user chose since.
void Recorder::KeepSlider2() {
    ui_.Slider2->setProperty("Tag", QString::number(ui_.Slider2->value()));
    ui_.Slider2->setValue(ZeroEnd(ui_.Slider2));
}

void Recorder::RestoreSlider2() {
    const QString tag = ui_.Slider2->property("Tag").toString();
    if (tag.isEmpty()) {
        return;
    }
    ui_.Slider2->setProperty("Tag", QString());
    ui_.Slider2->setValue(LeadingNumber(tag));
}

void Recorder::MMControl1_Done(int notifyCode) {
    vantry::audio::WaveDevice* device = &context_.Device();
    QTimer* timer = panel_.tmrRecording();
    saveError_ = 0;
    if (!pendingError_.isEmpty()) {
        const QString message = std::exchange(pendingError_, QString());
        context_.MessageBox(message);
        return;
    }
    if (notifyCode == vantry::audio::kNotifySuccessful) {
        if (m_Command_ == QLatin1String("play")) {
            if (timer->isActive()) {  // the second report: playback has ended
                ApplyState(State::IdleWithRecording);
                context_.LogoStill();
                timer->stop();
                Send(QStringLiteral("close"));
                context_.Status().clear();
                ui_.lblStatus->setText(T("mm0049"));
            } else {  // the first report: playback has begun
                ApplyState(State::Playing);
                ui_.cmdStop->setFocus();
                Repaint();
                timer->start();
                tmrRecording_Timer();
            }
        } else if (m_Command_ == QLatin1String("stop")) {
            ApplyState(State::IdleWithRecording);
            context_.LogoStill();
            m_Ticks_ = 0;
            timer->stop();
            Send(QStringLiteral("close"));
            // Nothing runs any more: a status left behind would refuse Exit for good.
            context_.Status().clear();
            ui_.lblStatus->setText(T("mm0049"));
        } else if (m_Command_ == QLatin1String("pause")) {
            RestoreSlider2();
            timer->stop();
            state_ = State::Paused;
            context_.Status() = T("mm0081");
            ui_.lblStatus->setText(context_.Status());
        } else if (m_Command_ == QLatin1String("record")) {
            KeepSlider2();
            ApplyState(State::Recording);
            ui_.cmdStop->setFocus();
            Repaint();
            timer->start();
            tmrRecording_Timer();
        }
    } else if (notifyCode == vantry::audio::kNotifyAborted && m_Command_ == QLatin1String("stop")) {
        RestoreSlider2();
        const bool wasRecording = context_.Status() == T("mm0050");
        m_Ticks_ = 0;
        timer->stop();
        context_.LogoStill();
        EndRecording();
        Repaint();
        if (state_ == State::Idle) {
            ui_.cmdRecord->setFocus();
        } else if (wasRecording) {
            ui_.cmdPlay->setFocus();
        } else {
            ui_.cmdSend->setFocus();
        }
        if (saveError_ != 0) {
            context_.MessageBox(saveMessage_);
        }
        return;
    } else if (notifyCode == vantry::audio::kNotifyFailure &&
               m_Command_ == QLatin1String("record") && state_ == State::Recording) {
        // The capture ended by itself (the microphone failed or went away): keep
        // what it took, and tell the user once.
        const QString message = device->errorMessage();
        RestoreSlider2();
        m_Ticks_ = 0;
        timer->stop();
        context_.LogoStill();
        EndRecording();
        context_.MessageBox(saveError_ != 0 ? saveMessage_ : message);
        return;
    }
    // The error number outlives its report; only a failure report shows it, so one
    // failure gives one box.
    if (notifyCode == vantry::audio::kNotifyFailure && device->error() != 0) {
        context_.MessageBox(device->errorMessage());
    }
}

void Recorder::tmrRecording_Timer() {
    if (context_.Status() == T("mm0051")) {
        const int position = static_cast<int>(context_.Device().position() / 1000) + 1;
        const int shown = position < m_Length_ ? position : m_Length_;
        ui_.lblStatus->setText(T("mm0051") + QStringLiteral(": ") + MinutesSeconds(shown) +
                               QStringLiteral(" - ") + MinutesSeconds(m_Length_));
        return;
    }
    ++m_Ticks_;
    if (m_Ticks_ == 1) {
        ui_.lblStatus->setText(T("mm0052"));
    } else {
        ui_.lblStatus->setText(T("mm0050") + QStringLiteral(": ") + MinutesSeconds(m_Ticks_));
    }
}

}  // namespace murmel
