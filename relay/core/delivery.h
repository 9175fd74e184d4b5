#pragma once
// Delivery from the spool: a worker thread takes queued items oldest first,
// turns each into an e-mail and hands it to the target. Delivered items leave
// the spool; permanent failures move to failed/ with the reason; temporary
// failures stay queued and are retried with exponential backoff.

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "core/event_log.h"
#include "core/mail_message.h"
#include "core/maildir.h"
#include "core/spool.h"

namespace murmel::relay {

enum class DeliveryResult { Delivered, Temporary, Permanent };

struct DeliveryOutcome {
    DeliveryResult result = DeliveryResult::Delivered;
    std::string detail;  // where it went, or why not
};

// Where mail goes: a Maildir or a smarthost.
class DeliveryTarget {
public:
    virtual ~DeliveryTarget() = default;
    virtual DeliveryOutcome Deliver(const MailInput& input) = 0;
};

class MaildirTarget : public DeliveryTarget {
public:
    explicit MaildirTarget(Maildir& maildir) : maildir_(maildir) {}
    DeliveryOutcome Deliver(const MailInput& input) override;

private:
    Maildir& maildir_;
};

struct DeliveryLimits {
    std::uint64_t maxWaveBytes = 128u << 20;  // the recording as stored in the archive
    std::uint64_t maxPcmBytes = 256u << 20;   // the recording decoded
    SoundFormat attachment = SoundFormat::Wave;
    std::int64_t firstRetrySeconds = 60;
    std::int64_t maxRetrySeconds = 3600;
    std::int64_t giveUpSeconds = 5 * 24 * 3600;  // then the item moves to failed/
};

class DeliveryWorker {
public:
    DeliveryWorker(Spool& spool, DeliveryTarget& target, EventLog& log, DeliveryLimits limits,
                   std::string hostName);
    ~DeliveryWorker();
    DeliveryWorker(const DeliveryWorker&) = delete;
    DeliveryWorker& operator=(const DeliveryWorker&) = delete;

    void Start();
    void Stop();
    // A new item is queued.
    void Wake();

    // Handles every queued item that is due at now; returns how many left the queue.
    int RunOnce(std::int64_t now);
    // Items delivered so far.
    int delivered() const;

private:
    struct Retry {
        int attempts = 0;
        std::int64_t due = 0;
    };
    DeliveryOutcome Process(const std::string& id, std::int64_t* received);
    void Record(const std::string& id, const std::string& detail);
    void Loop();

    Spool& spool_;
    DeliveryTarget& target_;
    EventLog& log_;
    DeliveryLimits limits_;
    std::string hostName_;
    std::map<std::string, Retry> retries_;  // worker thread only

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    bool woken_ = false;
    int delivered_ = 0;
    std::thread thread_;
};

// The machine's name for Message-IDs and Maildir names.
std::string HostName();

}  // namespace murmel::relay
