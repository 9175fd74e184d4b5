#include "audio/wave_device.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QStringList>

#include "audio/wave_engine.h"
#include "audio/wave_store.h"

namespace vantry::audio {

QString DeviceErrorText(int error) {
    switch (error) {
        case kErrNone:
            return {};
        case kErrNotOpen:
            return QStringLiteral("The device is not open.");
        case kErrUnknownCommand:
            return QStringLiteral("The command is not one the wave-audio device understands.");
        case kErrHardware:
            return QStringLiteral(
                "The sound device could not be used. Make sure a sound card (or a "
                "microphone, for recording) is connected and not in use by another program.");
        case kErrDeviceType:
            return QStringLiteral("The device type is not supported.");
        case kErrFileNotFound:
            return QStringLiteral("The specified file was not found.");
        case kErrBuffer:
            return QStringLiteral(
                "The recording could not be kept: the temporary folder could not be written.");
        case kErrWrongMode:
            return QStringLiteral("The device cannot do that in its present state.");
        case kErrFileNotSaved:
            return QStringLiteral(
                "The file was not saved. Make sure the folder exists, the disk is not full "
                "and you may write there.");
        case kErrInvalidFile:
            return QStringLiteral("The file is not a wave file the device can read.");
        case kErrFileNameRequired:
            return QStringLiteral("A file name is required.");
        default:
            return QStringLiteral("Unknown wave-audio device error %1.").arg(error);
    }
}

WaveDevice::WaveDevice(std::unique_ptr<WaveEngine> engine, QObject* parent)
    : QObject(parent),
      engine_(std::move(engine)),
      format_(PreferredRecordingFormat()),
      deviceType_(QStringLiteral("WaveAudio")) {}

WaveDevice::~WaveDevice() {
    if (engine_) {
        engine_->Stop();
    }
}

int WaveDevice::setCommand(const QString& command) {
    command_ = command.trimmed().toLower();
    const bool waitThis = wait_;
    wait_ = false;
    error_ = commandHook(command_);
    if (error_ != 0) {
        if (notify_) {
            post(kNotifyFailure);
        }
        return error_;
    }
    wait_ = waitThis;
    error_ = run(command_);
    wait_ = false;
    return error_;
}

int WaveDevice::run(const QString& cmd) {
    static const QStringList known = {"open", "record", "pause", "next", "prev",
                                      "play", "stop",   "save",  "close"};
    if (!known.contains(cmd)) {
        if (notify_) {
            post(kNotifyFailure);
        }
        return kErrUnknownCommand;
    }
    // The report owed for a running record or play ends before this command's own.
    if (pending_) {
        if (cmd == QLatin1String("stop") || cmd == QLatin1String("close")) {
            endPending(kNotifyAborted);
        } else if (notify_) {
            endPending(kNotifySuperseded);
        }
    }
    int result = 0;
    if (cmd == QLatin1String("open")) {
        result = doOpen();
    } else if (cmd == QLatin1String("record")) {
        result = doRecord();
    } else if (cmd == QLatin1String("play")) {
        result = doPlay();
    } else if (cmd == QLatin1String("pause")) {
        result = doPause();
    } else if (cmd == QLatin1String("next")) {
        result = doSeek(true);
    } else if (cmd == QLatin1String("prev")) {
        result = doSeek(false);
    } else if (cmd == QLatin1String("stop")) {
        result = doStop();
    } else if (cmd == QLatin1String("save")) {
        result = doSave();
    } else {
        result = doClose();
    }
    const bool ownReportLater =
        result == 0 && (cmd == QLatin1String("record") || cmd == QLatin1String("play"));
    if (notify_ && !ownReportLater) {
        post(result == 0 ? kNotifySuccessful : kNotifyFailure);
    }
    return result;
}

int WaveDevice::doOpen() {
    if (deviceType_.compare(QLatin1String("WaveAudio"), Qt::CaseInsensitive) != 0) {
        return kErrDeviceType;
    }
    if (fileName_.trimmed().isEmpty()) {
        return kErrFileNameRequired;
    }
    if (open_) {
        doClose();
    }
    auto store = std::make_unique<WaveStore>();
    int result = 0;
    if (QFileInfo::exists(fileName_)) {
        result = store->Load(fileName_);
    } else if (!store->Reset(format_.sampleRate, format_.channels, format_.bitsPerSample,
                             format_.encoding)) {
        result = kErrBuffer;
    }
    if (result != 0) {
        return result;
    }
    store_ = std::move(store);
    open_ = true;
    paused_ = false;
    op_ = Op::None;
    positionFrame_ = 0;
    return 0;
}

int WaveDevice::doRecord() {
    if (!open_) {
        return kErrNotOpen;
    }
    if (op_ == Op::Playing && !paused_) {
        return kErrWrongMode;
    }
    if (op_ == Op::Recording && !paused_) {
        if (notify_) {
            pending_ = true;  // the running capture now owes this command's report
        }
        return 0;
    }
    if (pending_) {
        endPending(kNotifySuperseded);  // the operation that owed it is replaced
    }
    haltOperation();
    if (!store_->Truncate(positionFrame_)) {
        return kErrBuffer;
    }
    return startOperation(Op::Recording, [this] { return engine_->StartCapture(*store_); });
}

int WaveDevice::doPlay() {
    if (!open_) {
        return kErrNotOpen;
    }
    if (op_ == Op::Recording && !paused_) {
        return kErrWrongMode;
    }
    if (pending_) {
        endPending(kNotifySuperseded);
    }
    haltOperation();
    const int64_t from = positionFrame_ < store_->frames() ? positionFrame_ : 0;
    const int result =
        startOperation(Op::Playing, [this, from] { return engine_->StartPlayback(*store_, from); });
    if (result != 0) {
        return result;
    }
    if (wait_) {
        const int error = engine_->WaitPlayback();
        ++serial_;  // the engine's own end report is handled here, not when it arrives
        onPlaybackEnded(error);
    }
    return 0;
}

int WaveDevice::startOperation(Op op, const std::function<int()>& start) {
    const uint64_t serial = ++serial_;
    engine_->setFinishedHandler([this, serial](int error) {
        QMetaObject::invokeMethod(
            this, [this, serial, error] { onEngineFinished(serial, error); }, Qt::QueuedConnection);
    });
    const int result = start();
    if (result != 0) {
        return result;
    }
    op_ = op;
    pending_ = notify_;
    return 0;
}

int WaveDevice::doPause() {
    if (!open_) {
        return kErrNotOpen;
    }
    if (op_ == Op::None || paused_) {
        return 0;
    }
    const Op op = op_;
    haltOperation();
    op_ = op;
    paused_ = true;
    return 0;
}

int WaveDevice::doSeek(bool toEnd) {
    if (!open_) {
        return kErrNotOpen;
    }
    haltOperation();
    positionFrame_ = toEnd ? store_->frames() : 0;
    return 0;
}

int WaveDevice::doStop() {
    if (!open_) {
        return kErrNotOpen;
    }
    haltOperation();
    return 0;
}

int WaveDevice::doSave() {
    if (!open_) {
        return kErrNotOpen;
    }
    if (fileName_.trimmed().isEmpty()) {
        return kErrFileNameRequired;
    }
    return store_->Save(fileName_);
}

int WaveDevice::doClose() {
    haltOperation();
    store_.reset();
    open_ = false;
    positionFrame_ = 0;
    return 0;
}

// Ends a running capture or playback; the position stays where it stopped.
void WaveDevice::haltOperation() {
    if (op_ != Op::None && !paused_) {
        engine_->Stop();
        if (op_ == Op::Recording) {
            positionFrame_ = store_->frames();
        } else {
            positionFrame_ = engine_->PlaybackFrame();
        }
    }
    ++serial_;  // any report still on its way belongs to an operation that is over
    op_ = Op::None;
    paused_ = false;
}

void WaveDevice::endPending(int code) {
    pending_ = false;
    post(code);
}

void WaveDevice::post(int code) {
    QMetaObject::invokeMethod(
        this, [this, code] { emit Done(code); }, Qt::QueuedConnection);
}

void WaveDevice::onEngineFinished(uint64_t serial, int error) {
    if (serial != serial_ || op_ == Op::None || paused_) {
        return;
    }
    if (op_ == Op::Playing) {
        onPlaybackEnded(error);
        return;
    }
    // A capture only ends by itself when it fails.
    positionFrame_ = store_->frames();
    op_ = Op::None;
    error_ = error != 0 ? error : kErrHardware;
    if (pending_) {
        endPending(kNotifyFailure);
    }
}

void WaveDevice::onPlaybackEnded(int error) {
    positionFrame_ = error == 0 ? store_->frames() : engine_->PlaybackFrame();
    op_ = Op::None;
    paused_ = false;
    if (error != 0) {
        error_ = error;
    }
    if (pending_) {
        endPending(error == 0 ? kNotifySuccessful : kNotifyFailure);
    }
}

int WaveDevice::mode() const {
    if (!open_) {
        return kModeNotOpen;
    }
    if (paused_) {
        return kModePaused;
    }
    switch (op_) {
        case Op::Recording:
            return kModeRecording;
        case Op::Playing:
            return kModePlaying;
        default:
            return kModeStopped;
    }
}

int64_t WaveDevice::position() const {
    if (!open_) {
        return 0;
    }
    if (op_ == Op::Recording && !paused_) {
        return store_->FramesToMs(store_->frames());
    }
    if (op_ == Op::Playing && !paused_) {
        return store_->FramesToMs(engine_->PlaybackFrame());
    }
    return store_->FramesToMs(positionFrame_);
}

int64_t WaveDevice::length() const {
    return open_ ? store_->FramesToMs(store_->frames()) : 0;
}

}  // namespace vantry::audio
