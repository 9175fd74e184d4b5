#pragma once
// A shell for tests: records every request, starts nothing; results can be chosen.

#include <QString>
#include <QStringList>
#include <vector>

#include "shell/shell.h"

namespace vantry::shell {

class FakeShell : public Shell {
public:
    struct Call {
        QString what;  // "open" or "exec"
        QString target;
        QStringList args;  // exec arguments; for open, {workingDir}
    };
    bool Open(const QString& target, const QString& workingDir = {}) override {
        calls_.push_back({"open", target, {workingDir}});
        return result_;
    }
    bool WinExec(const QString& program, const QStringList& args) override {
        calls_.push_back({"exec", program, args});
        return result_;
    }
    void setResult(bool ok) { result_ = ok; }
    const std::vector<Call>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

private:
    std::vector<Call> calls_;
    bool result_ = true;
};

}  // namespace vantry::shell
