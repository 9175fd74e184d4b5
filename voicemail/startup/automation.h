#pragma once
// The automation class other programs use to reach the running voice-mail
// program, published on the session D-Bus, and the one-instance rule built on
// the same well-known name.
//
//   gdbus call --session --dest org.vantry.Murmel --object-path /Murmel
//       --method org.vantry.Murmel.DoReply "to@example.org" "" "Hello"

#include <QObject>
#include <QString>

#include "base/regular_file.h"

namespace murmel {

inline constexpr char kMurmelService[] = "org.vantry.Murmel";
inline constexpr char kMurmelObjectPath[] = "/Murmel";
inline constexpr char kMurmelInterface[] = "org.vantry.Murmel";

// What the automation methods act on: the one main window.
class ReplyTarget {
public:
    virtual ~ReplyTarget() = default;
    virtual void DoReply(const QString& to, const QString& cc, const QString& subject) = 0;
    virtual void ShowImmediately() = 0;
};

// The automation class: its two methods pass straight to the main window.
class Murmel : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.vantry.Murmel")
public:
    explicit Murmel(ReplyTarget& target, QObject* parent = nullptr)
        : QObject(parent), target_(target) {}

public slots:
    void DoReply(const QString& To, const QString& Cc, const QString& Subject) {
        target_.DoReply(To, Cc, Subject);
    }
    void ShowImmediately() { target_.ShowImmediately(); }

private:
    ReplyTarget& target_;
};

// Claims the program's single instance. With a session bus the claim is the
// well-known name; without one, an exclusive lock on a file. The claim holds
// until the object is destroyed.
class InstanceGuard {
public:
    enum class Claim { First, AlreadyRunning };

    // serviceName: the bus name; lockPath: the fallback lock file.
    InstanceGuard(QString serviceName, QString lockPath);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    Claim TryClaim();
    // Publishes `automation` at kMurmelObjectPath on the bus, if there is one.
    bool Publish(Murmel* automation);
    bool OnBus() const { return onBus_; }
    // Asks the instance that holds the name to show its window (ShowImmediately).
    bool ShowRunningInstance() const;

private:
    bool ClaimLockFile();

    QString serviceName_;
    QString lockPath_;
    bool onBus_ = false;
    bool claimed_ = false;
    bool published_ = false;
    vantry::FileDescriptor lockFd_;  // holds the lock while open
};

}  // namespace murmel
