#include "core/delivery.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>

#include "core/archive.h"
#include "core/header_part.h"
#include "core/recording.h"

namespace murmel::relay {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kAnyNumberOfRecipients = 1u << 20;  // the server checked the limit
constexpr std::uint64_t kDeliveryLogRotateBytes = 1u << 20;

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

DeliveryOutcome MaildirTarget::Deliver(const MailInput& input) {
    const std::string name = MaildirName(input.received, input.itemId, input.hostName);
    if (maildir_.Has(name)) {
        return {DeliveryResult::Delivered, "maildir (already there) " + name};
    }
    std::string error;
    MailEnvelope envelope;
    bool messageFailed = false;
    const bool done = maildir_.Deliver(
        name,
        [&](int fd, std::string* writeError) {
            messageFailed = !WriteMailMessage(input, fd, false, &envelope, writeError);
            return !messageFailed;
        },
        &error);
    if (done) {
        return {DeliveryResult::Delivered, "maildir " + name};
    }
    // A message that cannot be built never will be; a full disk may clear.
    return {messageFailed ? DeliveryResult::Permanent : DeliveryResult::Temporary, error};
}

DeliveryWorker::DeliveryWorker(Spool& spool, DeliveryTarget& target, EventLog& log,
                               DeliveryLimits limits, std::string hostName)
    : spool_(spool), target_(target), log_(log), limits_(limits), hostName_(std::move(hostName)) {}

DeliveryWorker::~DeliveryWorker() {
    Stop();
}

void DeliveryWorker::Start() {
    thread_ = std::thread([this] { Loop(); });
}

void DeliveryWorker::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void DeliveryWorker::Wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}

int DeliveryWorker::delivered() const {
    std::lock_guard lock(mutex_);
    return delivered_;
}

void DeliveryWorker::Loop() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        woken_ = false;
        lock.unlock();
        RunOnce(Now());
        std::int64_t nextDue = Now() + 60;  // also picks up items dropped in by hand
        for (const auto& [id, retry] : retries_) {
            nextDue = std::min(nextDue, retry.due);
        }
        lock.lock();
        wake_.wait_for(lock, std::chrono::seconds(std::max<std::int64_t>(1, nextDue - Now())),
                       [this] { return stop_ || woken_; });
    }
}

int DeliveryWorker::RunOnce(std::int64_t now) {
    int left = 0;
    for (const std::string& id : spool_.Queued()) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                break;
            }
        }
        const auto retry = retries_.find(id);
        if (retry != retries_.end() && retry->second.due > now) {
            continue;
        }
        std::int64_t received = now;
        const DeliveryOutcome outcome = Process(id, &received);
        if (outcome.result == DeliveryResult::Delivered) {
            spool_.Remove(id);
            retries_.erase(id);
            Record(id, outcome.detail);
            log_.Event("delivered", id, outcome.detail);
            std::lock_guard lock(mutex_);
            ++delivered_;
            ++left;
            continue;
        }
        if (outcome.result == DeliveryResult::Temporary && now - received < limits_.giveUpSeconds) {
            Retry& r = retries_[id];
            const std::int64_t delay = std::min(
                limits_.maxRetrySeconds, limits_.firstRetrySeconds << std::min(r.attempts, 20));
            ++r.attempts;
            r.due = now + delay;
            log_.Event("deferred", id,
                       outcome.detail + " (retry in " + std::to_string(delay) + " s)");
            continue;
        }
        spool_.Fail(id, outcome.detail);
        retries_.erase(id);
        log_.Event("failed", id, outcome.detail);
        ++left;
    }
    return left;
}

DeliveryOutcome DeliveryWorker::Process(const std::string& id, std::int64_t* received) {
    std::string error;
    const auto item = spool_.Load(id, &error);
    if (!item) {
        return {DeliveryResult::Permanent, error};
    }
    *received = item->received;
    auto header = ParseHeaderPart(item->header, kAnyNumberOfRecipients);
    if (!header.part) {
        return {DeliveryResult::Permanent, header.error};
    }
    const fs::path wave = spool_.workDir() / (id + ".in.wav");
    const fs::path pcm = spool_.workDir() / (id + ".sound");
    struct Cleanup {
        fs::path a, b;
        ~Cleanup() {
            std::error_code ec;
            fs::remove(a, ec);
            fs::remove(b, ec);
        }
    } cleanup{wave, pcm};
    const ArchiveRegion region{item->path, item->archiveOffset, item->archiveSize};
    SoundFormat format = SoundFormat::Wave;
    if (!ReadWaveEntry(region, limits_.maxWaveBytes, wave, &error) ||
        !TranscodeRecording(wave, pcm, limits_.attachment, limits_.maxPcmBytes, &format, &error)) {
        return {DeliveryResult::Permanent, error};
    }
    MailInput input{std::move(*header.part), id, item->received, pcm, format, hostName_};
    return target_.Deliver(input);
}

void DeliveryWorker::Record(const std::string& id, const std::string& detail) {
    const fs::path path = spool_.root() / "delivered.log";
    std::error_code ec;
    if (fs::file_size(path, ec) > kDeliveryLogRotateBytes) {
        fs::rename(path, spool_.root() / "delivered.log.1", ec);
    }
    vantry::FileDescriptor fd(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    if (!fd.valid()) {
        return;
    }
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    const std::string line = std::string(stamp) + " " + id + " " + detail + "\n";
    [[maybe_unused]] const ssize_t n = ::write(fd.get(), line.data(), line.size());
}

}  // namespace murmel::relay
