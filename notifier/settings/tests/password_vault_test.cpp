// Passwords in the desktop keyring: a real gnome-keyring-daemon, unlocked in
// the test's private D-Bus session, and a session without any Secret
// Service, where the profile's scrambled value stays.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "settings/notifier_settings.h"
#include "settings/password_scramble.h"
#include "test_env.h"

using namespace corvy::settings;
using vantry::profile::Profile;

namespace {

Profile FreshProfile() {
    return Profile(vantry::test::FreshDir("profile") / "corvy.ini");
}

// gnome-keyring-daemon in the foreground, its login keyring made and
// unlocked with a password on its input; ready once it owns the service's
// bus name.
class KeyringDaemon {
public:
    KeyringDaemon() {
        int input[2];
        if (::pipe(input) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(input[0], STDIN_FILENO);
            ::close(input[0]);
            ::close(input[1]);
            ::execlp("gnome-keyring-daemon", "gnome-keyring-daemon", "--foreground", "--unlock",
                     "--components=secrets", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(input[0]);
        if (pid_ > 0) {
            const char password[] = "test";
            (void)!::write(input[1], password, sizeof password - 1);
        }
        ::close(input[1]);
        ready_ = pid_ > 0 && WaitForName();
    }
    ~KeyringDaemon() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    KeyringDaemon(const KeyringDaemon&) = delete;
    KeyringDaemon& operator=(const KeyringDaemon&) = delete;

    bool Ready() const { return ready_; }

private:
    static bool WaitForName() {
        GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (bus == nullptr) {
            return false;
        }
        bool appeared = false;
        const guint watch = g_bus_watch_name_on_connection(
            bus, "org.freedesktop.secrets", G_BUS_NAME_WATCHER_FLAGS_NONE,
            [](GDBusConnection*, const gchar*, const gchar*, gpointer flag) {
                *static_cast<bool*>(flag) = true;
            },
            nullptr, &appeared, nullptr);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!appeared && std::chrono::steady_clock::now() < deadline) {
            g_main_context_iteration(nullptr, TRUE);
        }
        g_bus_unwatch_name(watch);
        g_object_unref(bus);
        return appeared;
    }

    pid_t pid_ = -1;
    bool ready_ = false;
};

}  // namespace

TEST(PasswordVault, KeyringStoresReadsAndTakesOverScrambledPasswords) {
    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
        GTEST_SKIP() << "needs a private D-Bus session (dbus-run-session)";
    }
    KeyringDaemon daemon;
    ASSERT_TRUE(daemon.Ready());
    SecretServiceVault vault;
    ASSERT_TRUE(vault.Available());

    // A profile from before the keyring: the password scrambled in it.
    Profile p = FreshProfile();
    p.WriteString("MailAccount0", "AccountName", "Home");
    p.WriteString("MailAccount0", "ServerAddress", "pop.example.org");
    p.WriteString("MailAccount0", "Password", ScramblePassword("s3cret"));
    p.WriteString("MailAccount1", "AccountName", "Work");
    p.WriteString("MailAccount1", "ServerAddress", "mail.example.com");
    p.WriteString("MailAccount1", "Password", ScramblePassword("other"));
    AccountSlots slots = LoadAccountSlots(p, &vault);
    EXPECT_EQ(slots[0].password, "s3cret");

    // The first save moves both into the keyring; the profile keeps none.
    SaveAccountSlots(p, slots, &vault);
    EXPECT_EQ(p.GetString("MailAccount0", "Password"), "");
    EXPECT_EQ(p.GetInt("MailAccount0", "PasswordInKeyring", 0), 1);
    EXPECT_EQ(vault.Lookup("pop3", "Home", "pop.example.org"), "s3cret");
    EXPECT_EQ(LoadAccountSlots(p, &vault), slots);

    // A deleted account leaves nothing behind; a changed password replaces.
    slots[0].password = "n3w";
    slots[1] = AccountSlot{};
    SaveAccountSlots(p, slots, &vault);
    EXPECT_EQ(vault.Lookup("pop3", "Work", "mail.example.com"), "");
    EXPECT_EQ(LoadAccountSlot(p, 0, &vault).password, "n3w");

    // The QuickMail password is its own entry, keyed by the host.
    p.WriteString("QuickMail", "QuickMailHost", "smtp.example.org");
    EXPECT_TRUE(SaveQuickMailPassword(p, "submit", &vault));
    EXPECT_EQ(p.GetString("QuickMail", "QuickMailPassword"), "");
    EXPECT_EQ(LoadQuickMailPassword(p, &vault), "submit");
    EXPECT_EQ(LoadAccountSlot(p, 0, &vault).password, "n3w");
}

TEST(PasswordVault, WithoutSecretServiceTheProfileKeepsThePasswordScrambled) {
    // A session bus that is not there: no keyring can answer.
    const vantry::test::ScopedEnv noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    SecretServiceVault vault;
    EXPECT_FALSE(vault.Available());

    Profile p = FreshProfile();
    AccountSlots slots;
    slots[0] = {"Home", "pop.example.org", "me", "s3cret", false};
    SaveAccountSlots(p, slots, &vault);
    EXPECT_EQ(p.GetString("MailAccount0", "Password"), ScramblePassword("s3cret"));
    EXPECT_FALSE(p.Find("MailAccount0", "PasswordInKeyring").has_value());
    EXPECT_EQ(LoadAccountSlot(p, 0, &vault).password, "s3cret");

    // A profile that says "keyring" on a machine without one gives no
    // password rather than a wrong one.
    p.WriteInt("MailAccount0", "PasswordInKeyring", 1);
    EXPECT_EQ(LoadAccountSlot(p, 0, &vault).password, "");
}
