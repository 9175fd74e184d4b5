#pragma once
// The wave-audio device the recorder drives with text commands, one object per
// window (it plays the part of a multimedia control placed on the form).
//
// Usage (all on the GUI thread):
//   auto device = vantry::audio::CreateSystemWaveDevice(this);   // ALSA, or FakeWaveDevice in
//   tests connect(device.get(), &WaveDevice::Done, this, &frmMM::MMControl1_Done);
//   device->setNotify(true);                 // report completion of the following commands
//   device->setDeviceType("WaveAudio");
//   device->setFileName(appPath + "/in.wav");
//   device->setCommand("open");  device->setCommand("record");
//   ...
//   device->setCommand("stop");             // Done(4) for the recording, then Done(1) for stop
//   device->setCommand("save");  device->setCommand("close");
//   if (device->error() != 0) show(device->errorMessage());
//
// Commands: "open", "record", "pause", "next", "play", "stop", "save", "close"
// (case-blind; also "prev" = seek to the start). Each command sets error()/errorMessage()
// (0 and empty on success).
//
// Completion reports (signal Done with the notify code) are never emitted inside
// setCommand(): they are queued and arrive through the event loop after the caller's
// handler has returned, in the order they arose.
//   - Notify is sticky: once set it applies to every following command until cleared.
//   - With Notify on, open, pause, next, prev, save, close and stop report 1 (success) at
//     once, or 8 (failed) when they fail; a failed record or play also reports 8.
//   - record and play report when the operation ends: play reaching the end reports 1
//     (so a play gives two success reports: its open, then its end); a capture or
//     playback failure reports 8.
//   - A pending record or play report is ended by stop or close with 4 (aborted, sent
//     before stop's own 1), and by any other command sent with Notify on with 2
//     (superseded, sent before that command's own report).
// Wait applies to the next command only: a play sent with Wait returns when playback
// has ended.
//
// open with a file that does not exist starts an empty recording in the chosen
// recording format; open with an existing wave file loads it (for play, or for record
// to append to it after "next"). Opening while open closes first. Samples live in a
// temporary file on disk, so a long recording does not grow memory. save writes the
// whole recording as a wave file to fileName() through a temporary file and a rename.

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "audio/recording_format.h"

namespace vantry::audio {

class WaveEngine;
class WaveStore;

// Completion codes of the Done signal.
enum NotifyCode : int {
    kNotifySuccessful = 1,
    kNotifySuperseded = 2,
    kNotifyAborted = 4,
    kNotifyFailure = 8,
};

// Values of mode().
enum Mode : int {
    kModeNotOpen = 524,
    kModeStopped = 525,
    kModePlaying = 526,
    kModeRecording = 527,
    kModeSeeking = 528,
    kModePaused = 529,
    kModeOpen = 530,
};

// Values of error(); errorMessage() gives the text.
enum DeviceError : int {
    kErrNone = 0,
    kErrNotOpen = 257,           // the device is not open
    kErrUnknownCommand = 261,    // the command is not one of the list
    kErrHardware = 262,          // no usable sound device (capture or playback)
    kErrDeviceType = 263,        // device type other than "WaveAudio"
    kErrFileNotFound = 275,      // (not used by open, which starts a new recording)
    kErrBuffer = 277,            // the temporary sample file could not be written
    kErrWrongMode = 278,         // e.g. record while playing
    kErrFileNotSaved = 286,      // save failed (folder missing, disk full, no rights)
    kErrInvalidFile = 296,       // open: the file is no readable wave file
    kErrFileNameRequired = 304,  // open without a file name
};

// Text for an error number ("" for 0).
QString DeviceErrorText(int error);

class WaveDevice : public QObject {
    Q_OBJECT
public:
    // Takes ownership of the engine that moves the samples.
    WaveDevice(std::unique_ptr<WaveEngine> engine, QObject* parent = nullptr);
    ~WaveDevice() override;

    void setDeviceType(const QString& type) { deviceType_ = type; }
    QString deviceType() const { return deviceType_; }
    void setFileName(const QString& path) { fileName_ = path; }
    QString fileName() const { return fileName_; }
    void setNotify(bool on) { notify_ = on; }
    bool notify() const { return notify_; }
    void setWait(bool on) { wait_ = on; }
    bool wait() const { return wait_; }

    // Format for new recordings (applies at the next open of a new file).
    void setRecordingFormat(const RecordingFormat& format) { format_ = format; }
    const RecordingFormat& recordingFormat() const { return format_; }

    // Sends a command. Returns error().
    int setCommand(const QString& command);
    QString command() const { return command_; }

    int mode() const;
    // In milliseconds.
    int64_t position() const;
    int64_t length() const;
    int error() const { return error_; }
    QString errorMessage() const { return DeviceErrorText(error_); }

signals:
    void Done(int notifyCode);

protected:
    WaveEngine* engine() const { return engine_.get(); }

    // Called with each command (lower-case) before it runs; a non-zero result makes
    // the command fail with that error. Lets the fake log and inject failures.
    virtual int commandHook(const QString& command) {
        (void)command;
        return 0;
    }

private:
    enum class Op { None, Recording, Playing };

    int run(const QString& cmd);
    int doOpen();
    int doRecord();
    int doPlay();
    int doPause();
    int doSeek(bool toEnd);
    int doStop();
    int doSave();
    int doClose();
    // Starts a capture or playback through `start`; the engine's end report
    // comes back on this object's thread, named by a new serial.
    int startOperation(Op op, const std::function<int()>& start);
    void haltOperation();
    void endPending(int code);
    void post(int code);
    void onEngineFinished(uint64_t serial, int error);
    void onPlaybackEnded(int error);

    std::unique_ptr<WaveEngine> engine_;
    std::unique_ptr<WaveStore> store_;
    RecordingFormat format_;
    QString deviceType_;
    QString fileName_;
    QString command_;
    bool notify_ = false;
    bool wait_ = false;
    int error_ = 0;
    bool open_ = false;
    bool paused_ = false;
    Op op_ = Op::None;
    bool pending_ = false;       // a record/play report is owed
    uint64_t serial_ = 0;        // names the running operation for engine reports
    int64_t positionFrame_ = 0;  // where the next record or play starts
};

// The ALSA-backed device (PCM name from VANTRY_ALSA_DEVICE, else MURMEL_ALSA_DEVICE,
// else "default").
std::unique_ptr<WaveDevice> CreateSystemWaveDevice(QObject* parent = nullptr);

}  // namespace vantry::audio
