#include "engine/tests/peer_process.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "test_env.h"

namespace fetchwire::test {

namespace {

std::filesystem::path PeerScript() {
    return FETCHWIRE_PEER_SCRIPT;
}

}  // namespace

PeerProcess PeerProcess::Scripted(const std::string& mode, const std::filesystem::path& record,
                                  const std::string& arg) {
    PeerProcess p;
    QStringList args{QString::fromStdString(PeerScript().string()), QString::fromStdString(mode),
                     QString::fromStdString(record.string())};
    if (!arg.empty()) {
        args << QString::fromStdString(arg);
    }
    p.Start(args, true);
    return p;
}

PeerProcess PeerProcess::Replying(const std::string& reply, const std::filesystem::path& record) {
    const std::filesystem::path file = record.parent_path() / "reply.bin";
    vantry::test::WriteFile(file, reply);
    return Scripted("reply", record, file.string());
}

PeerProcess PeerProcess::FileServer(const std::filesystem::path& folder) {
    PeerProcess p;
    p.Start({"-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory",
             QString::fromStdString(folder.string())},
            false);
    return p;
}

void PeerProcess::Start(const QStringList& args, bool scripted) {
    process_ = new QProcess;
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->start("/usr/bin/python3", args);
    if (!process_->waitForStarted(10000)) {
        ADD_FAILURE() << "peer did not start";
        return;
    }
    // The scripted peer prints its port alone; the file server announces
    // "Serving HTTP on 127.0.0.1 port N".
    const QRegularExpression kPort(scripted ? "^(\\d+)" : "port (\\d+)");
    QByteArray seen;
    while (process_->waitForReadyRead(10000)) {
        seen += process_->readAllStandardOutput();
        const auto m = kPort.match(QString::fromUtf8(seen));
        if (m.hasMatch() && seen.contains('\n')) {
            port_ = static_cast<uint16_t>(m.captured(1).toUInt());
            return;
        }
    }
    ADD_FAILURE() << "peer gave no port: " << seen.toStdString()
                  << process_->readAllStandardError().toStdString();
}

PeerProcess::PeerProcess(PeerProcess&& other) noexcept
    : process_(other.process_), port_(other.port_) {
    other.process_ = nullptr;
}

PeerProcess::~PeerProcess() {
    if (process_ != nullptr) {
        process_->kill();
        process_->waitForFinished(5000);
        delete process_;
    }
}

std::string PeerProcess::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string PeerPattern(std::size_t n) {
    std::string block(251, '\0');
    for (int i = 0; i < 251; ++i) {
        block[static_cast<std::size_t>(i)] = static_cast<char>((i * 7 + 3) % 251);
    }
    std::string out;
    out.reserve(n + 251);
    while (out.size() < n) {
        out += block;
    }
    out.resize(n);
    return out;
}

}  // namespace fetchwire::test
