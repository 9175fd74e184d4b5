#include "audio/wave_store.h"

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <vector>

#include "audio/wave_device.h"

namespace vantry::audio {
namespace {

constexpr int64_t kChunkFrames = 4096;

// Writes all of `size` bytes at `offset`; false on any failure.
bool WriteAt(int fd, const char* data, size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

int SubtypeFor(Encoding encoding, int bits) {
    switch (encoding) {
        case Encoding::Gsm610:
            return SF_FORMAT_GSM610;
        case Encoding::ImaAdpcm:
            return SF_FORMAT_IMA_ADPCM;
        default:
            return bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16;
    }
}

int OpenTemporary() {
    const QByteArray dir = QFile::encodeName(QDir::tempPath());
    int fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
        return fd;
    }
    // Filesystems without anonymous files: make a named one and unlink it at once.
    QByteArray name = dir + "/wave-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
        ::unlink(name.constData());
    }
    return fd;
}

}  // namespace

WaveStore::~WaveStore() {
    CloseFile();
}

void WaveStore::CloseFile() {
    fd_.Reset();
    frames_ = 0;
}

bool WaveStore::Reset(int sampleRate, int channels, int bitsPerSample, Encoding encoding) {
    CloseFile();
    if (sampleRate <= 0 || channels < 1 || channels > 2) {
        return false;
    }
    fd_.Reset(OpenTemporary());
    if (!fd_.valid()) {
        return false;
    }
    rate_ = sampleRate;
    channels_ = channels;
    bits_ = bitsPerSample == 8 ? 8 : 16;
    encoding_ = encoding;
    return true;
}

int WaveStore::Load(const QString& path) {
    SF_INFO info{};
    const QByteArray name = QFile::encodeName(path);
    SNDFILE* in = sf_open(name.constData(), SFM_READ, &info);
    if (in == nullptr) {
        return kErrInvalidFile;
    }
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    const int bits = (subtype == SF_FORMAT_PCM_U8 || subtype == SF_FORMAT_PCM_S8) ? 8 : 16;
    // A recording appended to keeps its codec when it is saved again.
    const Encoding encoding = subtype == SF_FORMAT_GSM610      ? Encoding::Gsm610
                              : subtype == SF_FORMAT_IMA_ADPCM ? Encoding::ImaAdpcm
                                                               : Encoding::Pcm;
    if (info.channels < 1 || info.channels > 2 || info.samplerate <= 0 ||
        !Reset(info.samplerate, info.channels, bits, encoding)) {
        sf_close(in);
        return info.channels < 1 || info.channels > 2 || info.samplerate <= 0 ? kErrInvalidFile
                                                                              : kErrBuffer;
    }
    std::vector<int16_t> chunk(static_cast<size_t>(kChunkFrames * info.channels));
    for (;;) {
        const sf_count_t got = sf_readf_short(in, chunk.data(), kChunkFrames);
        if (got <= 0) {
            break;
        }
        if (!Append(chunk.data(), got)) {
            sf_close(in);
            CloseFile();
            return kErrBuffer;
        }
    }
    sf_close(in);
    return 0;
}

int WaveStore::Save(const QString& path) const {
    if (!fd_.valid() || path.isEmpty()) {
        return kErrFileNotSaved;
    }
    const QByteArray target = QFile::encodeName(path);
    QByteArray temp = target + ".XXXXXX";
    const int out = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) {
        return kErrFileNotSaved;
    }
    // The new file keeps mkostemp's 0600: a voice recording is private to its owner.
    SF_INFO info{};
    info.samplerate = rate_;
    info.channels = channels_;
    info.format = SF_FORMAT_WAV | SubtypeFor(encoding_, bits_);
    SNDFILE* sf = sf_open_fd(out, SFM_WRITE, &info, SF_FALSE);
    bool ok = sf != nullptr;
    if (ok) {
        std::vector<int16_t> chunk(static_cast<size_t>(kChunkFrames * channels_));
        const int64_t total = frames();
        for (int64_t at = 0; ok && at < total;) {
            const int64_t got = Read(at, chunk.data(), std::min(kChunkFrames, total - at));
            ok = got > 0 && sf_writef_short(sf, chunk.data(), got) == got;
            at += got;
        }
        ok = sf_close(sf) == 0 && ok;
    }
    ok = ::fsync(out) == 0 && ok;
    ok = ::close(out) == 0 && ok;
    if (!ok || ::rename(temp.constData(), target.constData()) != 0) {
        ::unlink(temp.constData());
        return kErrFileNotSaved;
    }
    return 0;
}

bool WaveStore::Truncate(int64_t frame) {
    if (!fd_.valid() || frame < 0) {
        return false;
    }
    if (frame >= frames()) {
        return true;
    }
    if (::ftruncate(fd_.get(), static_cast<off_t>(frame * channels_ * 2)) != 0) {
        return false;
    }
    frames_ = frame;
    return true;
}

bool WaveStore::Append(const int16_t* data, int64_t count) {
    if (!fd_.valid() || count < 0) {
        return false;
    }
    const int64_t at = frames();
    const size_t bytes = static_cast<size_t>(count * channels_) * sizeof(int16_t);
    if (!WriteAt(fd_.get(), reinterpret_cast<const char*>(data), bytes,
                 static_cast<off_t>(at * channels_ * 2))) {
        return false;
    }
    frames_.store(at + count);  // readers see the frames only once they are written
    return true;
}

int64_t WaveStore::Read(int64_t frame, int16_t* data, int64_t count) const {
    const int64_t available = frames() - frame;
    if (!fd_.valid() || frame < 0 || count <= 0 || available <= 0) {
        return 0;
    }
    const int64_t want = std::min(count, available);
    const size_t frameBytes = static_cast<size_t>(channels_) * sizeof(int16_t);
    size_t done = 0;
    const size_t total = static_cast<size_t>(want) * frameBytes;
    while (done < total) {
        const ssize_t n = ::pread(fd_.get(), reinterpret_cast<char*>(data) + done, total - done,
                                  static_cast<off_t>(frame * static_cast<int64_t>(frameBytes) +
                                                     static_cast<int64_t>(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done / frameBytes);
}

int64_t WaveStore::FramesToMs(int64_t frames) const {
    return rate_ > 0 ? frames * 1000 / rate_ : 0;
}

int64_t WaveStore::MsToFrames(int64_t ms) const {
    return ms * rate_ / 1000;
}

}  // namespace vantry::audio
