#pragma once
// A relay on loopback and Murmel's own composer and upload window in front of
// it: items are written by the composer and sent by frmEmail over a real socket.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <QDateTime>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "composer/outbox_item.h"
#include "composer/zip_file.h"
#include "core/event_log.h"
#include "core/http_server.h"
#include "core/spool.h"
#include "test_env.h"
#include "upload/frm_email.h"

namespace murmel::relay::test {

namespace fs = std::filesystem;

inline QString Q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

// A mono recording of a few hundred milliseconds in the given libsndfile format.
inline std::vector<short> WriteWave(const fs::path& path, int format, int frames = 4000,
                                    int rate = 8000) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (f == nullptr) {
        return {};
    }
    // Noise, so the archive is about as large as the recording.
    std::vector<short> samples(static_cast<std::size_t>(frames));
    std::uint32_t state = 12345;
    for (short& s : samples) {
        state = state * 1664525u + 1013904223u;
        s = static_cast<short>((state >> 16) % 20000 - 10000);
    }
    sf_writef_short(f, samples.data(), frames);
    sf_close(f);
    return samples;
}

// Decoded 16-bit samples of any file libsndfile reads.
inline std::vector<short> ReadSamples(const fs::path& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) {
        return {};
    }
    std::vector<short> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_short(f, samples.data(), info.frames);
    sf_close(f);
    return samples;
}

// Python's email package reads the message; the attachment lands in attachment.
inline QJsonObject ReadMail(const fs::path& message, const fs::path& attachment) {
    QProcess python;
    python.start("/usr/bin/python3",
                 {QStringLiteral(RELAY_TEST_DIR "/read_mail.py"), Q(message), Q(attachment)});
    python.waitForFinished(30000);
    const QByteArray out = python.readAllStandardOutput();
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(out).object();
}

// Writes an item straight into the spool, as an upload would have.
inline std::string Enqueue(Spool& spool, const std::string& header, const std::string& archive) {
    std::string error;
    auto writer = spool.Begin(header, 1796590140, "127.0.0.1", &error);
    EXPECT_TRUE(writer) << error;
    writer->Write(archive);
    EXPECT_TRUE(spool.Commit(*writer, &error)) << error;
    return writer->id();
}

struct Relay {
    fs::path spoolDir = vantry::test::FreshDir("spool");
    std::mutex linesMutex;
    std::vector<std::string> lines;
    EventLog log{[this](const std::string& line) {
        std::lock_guard lock(linesMutex);
        lines.push_back(line);
    }};
    Spool spool{spoolDir};
    ServerLimits limits;
    std::unique_ptr<HttpServer> server;
    std::function<void()> onQueued;
    AdStore* ads = nullptr;
    Gate* gate = nullptr;

    bool Start() {
        std::string error;
        if (!spool.Prepare(&error)) {
            return false;
        }
        server = std::make_unique<HttpServer>(
            limits, spool, log,
            [this] {
                if (onQueued) {
                    onQueued();
                }
            },
            ads, gate);
        return server->Start("127.0.0.1:0", &error);
    }
    QString ConnectTo() const { return QStringLiteral("http://127.0.0.1:%1").arg(server->port()); }
    std::vector<std::string> Lines() {
        std::lock_guard lock(linesMutex);
        return lines;
    }
    std::string Dump() {
        std::string all;
        for (const std::string& l : Lines()) {
            all += l + "\n";
        }
        return all;
    }
    bool Logged(const std::string& part) {
        for (const std::string& l : Lines()) {
            if (l.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
};

// Murmel's program folder with its composer settings.
struct Sender {
    fs::path app = vantry::test::FreshDir("app");
    FixedPostSettings settings;
    QDateTime clock = QDateTime(QDate(2026, 12, 6), QTime(15, 49, 0));

    Sender() {
        settings.myEmail = "hans@x.org";
        settings.myName = "Hans";
        settings.userLanguage = "00000409";
        settings.myNote = "Listen to this.";
        fs::create_directories(app / "Outbox");
    }

    // Records in.wav, zips it and writes one outbox item, as Send does.
    std::vector<short> Compose(const QString& to, const QString& cc, const QString& subject,
                               int receipt = 0, int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                               int frames = 4000) {
        auto samples = WriteWave(app / "in.wav", format, frames);
        if (ZipFile(Q(app / "in.wav"), Q(app / "in.zip")) != kZipOk) {
            return {};
        }
        PostEnvironment env;
        env.outboxFolder = Q(app / "Outbox");
        env.settings = &settings;
        env.T = [](std::string_view id) {
            return QString::fromLatin1(id.data(), static_cast<qsizetype>(id.size()));
        };
        env.versionMajor = 1;
        env.clock = [this] {
            clock = clock.addSecs(1);
            return clock;
        };
        env.timeZone = [] { return QStringLiteral("-0500"); };
        if (BuildPost(env, to, cc, subject, receipt, Q(app / "in.zip")) != kPostDone) {
            return {};
        }
        return samples;
    }

    // Runs the upload window against the relay until it closes. Errors shown to
    // the user are collected.
    // The one item in the outbox, as bytes.
    std::string OutboxItem() const {
        for (const auto& e : fs::directory_iterator(app / "Outbox")) {
            return vantry::test::ReadFile(e.path());
        }
        return {};
    }

    QStringList Upload(const QString& connectTo, int tickMs = 1) {
        QStringList errors;
        UploadServices s;
        s.appPath = Q(app);
        s.connectTo = [connectTo] { return connectTo; };
        s.errorBox = [&errors](const QString&, const QString& text) { errors << text; };
        s.pause = [](double) {};
        s.tickMs = tickMs;
        frmEmail* form = frmEmail::ShowUpload(s);
        QSignalSpy unloaded(form, &frmEmail::unloaded);
        if (frmEmail::Current() == form && !unloaded.wait(60000)) {
            errors << QStringLiteral("upload window did not close");
        }
        return errors;
    }
};

}  // namespace murmel::relay::test
