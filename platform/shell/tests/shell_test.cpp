#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>

#include "shell/shell.h"
#include "shell/testing/fake_shell.h"
#include "test_env.h"

using vantry::shell::CreateSystemShell;
using vantry::shell::FakeShell;
using vantry::shell::IsWebUrl;
using vantry::shell::OpenUrl;

namespace {

QString Q(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

// Waits for a detached child to leave its trace.
QString WaitForFile(const QString& path) {
    if (!QTest::qWaitFor([&] { return QFile::exists(path); }, 10000)) {
        return {};
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(f.readAll());
}

// Puts a recording "xdg-open" first on PATH: it writes its working folder and each
// argument on its own line into `log`, and adds its first argument to the runs.
class FakeOpener {
public:
    FakeOpener() {
        dir_ = Q(vantry::test::FreshDir("bin"));
        log_ = dir_ + "/opened.log";
        const QString script = dir_ + "/xdg-open";
        const std::string log = log_.toStdString();
        vantry::test::WriteFile(
            script.toStdString(),
            "#!/bin/sh\n"
            "printf '%s\\n' \"$1\" >> \"" +
                log + ".runs\"\n" +
                "{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"" + log +
                ".tmp\"\n" + "mv \"" + log + ".tmp\" \"" + log + "\"\n");
        QFile::setPermissions(
            script, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        oldPath_ = qgetenv("PATH");
        qputenv("PATH", dir_.toUtf8() + ":" + oldPath_);
    }
    ~FakeOpener() { qputenv("PATH", oldPath_); }
    QStringList Lines() { return WaitForFile(log_).split('\n', Qt::SkipEmptyParts); }
    // The first argument of every run so far.
    QStringList Runs() const {
        QFile f(log_ + ".runs");
        if (!f.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private:
    QString dir_;
    QString log_;
    QByteArray oldPath_;
};

}  // namespace

TEST(ShellUrls, OnlyAbsoluteWebUrlsWithAHostPass) {
    EXPECT_TRUE(IsWebUrl("http://example.com"));
    EXPECT_TRUE(IsWebUrl("HTTPS://example.com/ad?x=1&y=2"));
    EXPECT_TRUE(IsWebUrl("http://127.0.0.1:8080/path"));
    EXPECT_FALSE(IsWebUrl(""));
    EXPECT_FALSE(IsWebUrl("example.com"));
    EXPECT_FALSE(IsWebUrl("file:///etc/passwd"));
    EXPECT_FALSE(IsWebUrl("javascript:alert(1)"));
    EXPECT_FALSE(IsWebUrl("ftp://example.com/"));
    EXPECT_FALSE(IsWebUrl("http://"));
    EXPECT_FALSE(IsWebUrl("http:///path"));
    EXPECT_FALSE(IsWebUrl("http://exa mple.com/"));
    EXPECT_FALSE(IsWebUrl("http://example.com/\nX"));
    EXPECT_FALSE(IsWebUrl(" http://example.com/"));
    EXPECT_FALSE(IsWebUrl("/usr/bin/xterm"));
}

TEST(ShellUrls, OpenUrlRefusesAnythingButWebTargets) {
    FakeShell shell;
    EXPECT_FALSE(OpenUrl(shell, "file:///etc/passwd"));
    EXPECT_FALSE(OpenUrl(shell, "/bin/sh"));
    EXPECT_TRUE(shell.calls().empty());
    EXPECT_TRUE(OpenUrl(shell, "https://example.com/", "/work"));
    ASSERT_EQ(shell.calls().size(), 1u);
    EXPECT_EQ(shell.calls()[0].what, "open");
    EXPECT_EQ(shell.calls()[0].target, "https://example.com/");
    EXPECT_EQ(shell.calls()[0].args, QStringList{"/work"});
    shell.setResult(false);
    EXPECT_FALSE(OpenUrl(shell, "http://example.com/"));
}

TEST(SystemShellOpen, UrlGoesToTheOpenerAsOneArgument) {
    FakeOpener opener;
    const QString work = Q(vantry::test::FreshDir("work"));
    auto shell = CreateSystemShell();
    const QString url = "http://example.com/a b;$(touch x)'\"";
    ASSERT_TRUE(shell->Open(url, work));
    const QStringList lines = opener.Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(QDir(lines[0]).canonicalPath(), QDir(work).canonicalPath());
    EXPECT_EQ(lines[1], url);
    EXPECT_FALSE(QFile::exists(work + "/x"));
}

TEST(SystemShellOpen, RelativePathIsResolvedAgainstTheWorkingFolder) {
    FakeOpener opener;
    const QString work = Q(vantry::test::FreshDir("work"));
    vantry::test::WriteFile((work + "/htm/help.htm").toStdString(), "<html></html>");
    auto shell = CreateSystemShell();
    ASSERT_TRUE(shell->Open("htm/help.htm", work));
    const QStringList lines = opener.Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1], work + "/htm/help.htm");
}

TEST(SystemShellOpen, MissingFileOrEmptyTargetOpensNothing) {
    FakeOpener opener;
    const QString work = Q(vantry::test::FreshDir("work"));
    auto shell = CreateSystemShell();
    EXPECT_FALSE(shell->Open("htm/none.htm", work));
    EXPECT_FALSE(shell->Open("   ", work));
    // An opener either call had started would have left its run before this one.
    vantry::test::WriteFile((work + "/here.htm").toStdString(), "<html></html>");
    ASSERT_TRUE(shell->Open("here.htm", work));
    ASSERT_EQ(opener.Lines().size(), 2);
    EXPECT_EQ(opener.Runs(), QStringList{work + "/here.htm"});
}

TEST(SystemShellExec, ArgumentsReachTheProgramVerbatim) {
    const QString work = Q(vantry::test::FreshDir("exec"));
    const QString odd = work + "/pic; touch injected $(id) 'x'";
    auto shell = CreateSystemShell();
    ASSERT_TRUE(shell->WinExec("/usr/bin/touch", {odd}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(odd); }, 10000));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath("injected")));
}

TEST(SystemShellExec, MissingProgramReportsFailure) {
    auto shell = CreateSystemShell();
    EXPECT_FALSE(shell->WinExec(Q(vantry::test::Root()) + "/no-such-program", {"x"}));
    EXPECT_FALSE(shell->WinExec("", {}));
}
