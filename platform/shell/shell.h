#pragma once
// The shell services the programs use: open a document or URL with the desktop's
// handler ("Open"), and start a program without waiting (WinExec). Programs take a
// Shell& so tests can pass FakeShell.
//
// Usage:
//   auto shell = vantry::shell::CreateSystemShell();
//   shell->Open(appPath + "/htm/help.htm", appPath);     // local file or URL
//   shell->WinExec(appPath + "/getad", {pictureName});   // argv, never a shell string
//   vantry::shell::OpenUrl(*shell, ad.GotoUrl);          // only http/https targets

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace vantry::shell {

class Shell {
public:
    virtual ~Shell() = default;
    // Opens `target`: a URL with a scheme, or a file path (relative paths against
    // `workingDir`). True when a handler was started; callers may ignore it.
    virtual bool Open(const QString& target, const QString& workingDir = {}) = 0;
    // Starts `program` with `args` detached; true when it started.
    virtual bool WinExec(const QString& program, const QStringList& args) = 0;
};

// QDesktopServices when a GUI application runs, else xdg-open; QProcess::startDetached.
std::unique_ptr<Shell> CreateSystemShell();

// True for an absolute http or https URL with a host and no blanks or control characters.
bool IsWebUrl(const QString& url);
// Opens `url` only when IsWebUrl; false (nothing opened) otherwise.
bool OpenUrl(Shell& shell, const QString& url, const QString& workingDir = {});

}  // namespace vantry::shell
