#pragma once
// A wave device for tests: the same command logic as the real one, over an engine
// whose clock only moves when the test calls advance(). Recording appends a
// synthetic tone (a 1 kHz square wave at quarter scale); playback moves the position
// and reports its end through the usual queued Done. Every command is logged.
//
// Usage:
//   vantry::audio::FakeWaveDevice device;
//   device.setNotify(true); device.setFileName(path);
//   device.setCommand("open"); device.setCommand("record");
//   device.advance(4500);               // 4.5 s of recording
//   QSignalSpy done(&device, &WaveDevice::Done); ... QTRY_COMPARE(done.size(), n);
//   device.commands();                  // {"open", "record", ...}
//   device.failNext("record", kErrHardware);  // next "record" fails with that error

#include <QStringList>
#include <map>

#include "audio/wave_device.h"

namespace vantry::audio {

class FakeWaveEngine;

class FakeWaveDevice : public WaveDevice {
    Q_OBJECT
public:
    explicit FakeWaveDevice(QObject* parent = nullptr);

    // Moves the virtual clock: recording grows by `ms`, playback moves by `ms`
    // (its end is reported through Done once the event loop runs).
    void advance(int64_t ms);
    // The commands sent so far, lower-case, in order.
    QStringList commands() const { return commands_; }
    void clearCommands() { commands_.clear(); }
    // The next time `command` is sent it fails with `error` (the command has no effect).
    void failNext(const QString& command, int error);
    // Makes the running capture or playback fail with `error` at the next advance().
    void failRunning(int error);

protected:
    int commandHook(const QString& command) override;

private:
    FakeWaveEngine* fake_;
    QStringList commands_;
    std::map<QString, int> failures_;
};

}  // namespace vantry::audio
