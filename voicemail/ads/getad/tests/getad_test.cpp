#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include "scripted_peer.h"
#include "settings/cregistry.h"
#include "test_env.h"

namespace murmel {
namespace {

const QString kPicture = QStringLiteral(MURMEL_RESOURCES_DIR "/ad/a0000.gif");

// Python's own HTTP server on a folder of its own, on a port it picks.
class PythonHttpServer {
public:
    PythonHttpServer() : root(QString::fromStdString(vantry::test::FreshDir("www").string())) {
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start("/usr/bin/python3",
                     {"-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", root});
        const QRegularExpression serving("port (\\d+)");
        QByteArray said;
        while (port == 0 && server.waitForReadyRead(10000)) {
            said += server.readAll();
            const auto match = serving.match(QString::fromLatin1(said));
            if (match.hasMatch()) {
                port = match.captured(1).toInt();
            }
        }
    }
    ~PythonHttpServer() {
        server.kill();
        server.waitForFinished();
    }
    QString root;
    QProcess server;
    int port = 0;
};

// Runs getad with the given server in ConnectTo and a fresh program folder.
struct GetadRun {
    GetadRun(int port, const QStringList& args)
        : home(QString::fromStdString(vantry::test::FreshDir("home").string())) {
        cRegistryUtils machine;
        machine.setMainKey(HKEY_LOCAL_MACHINE);
        machine.CheckKeyIsThere(kProductKey);
        cRegistry().setConnectTo(QStringLiteral("http://127.0.0.1:%1").arg(port));
        QProcess getad;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("MURMEL_HOME", home);
        getad.setProcessEnvironment(env);
        getad.start(GETAD_PROGRAM, args);
        EXPECT_TRUE(getad.waitForFinished(30000));
        exitCode = getad.exitCode();
        errors = getad.readAllStandardError();
    }
    QStringList AdFolder() const {
        return QDir(home + "/ad").entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    QString home;
    int exitCode = -1;
    QByteArray errors;
};

TEST(getad, StoresThePictureUnderItsName) {
    PythonHttpServer www;
    ASSERT_NE(www.port, 0);
    QDir().mkpath(www.root + "/ad");
    ASSERT_TRUE(QFile::copy(kPicture, www.root + "/ad/a 1.gif"));
    const GetadRun run(www.port, {"a 1.gif"});
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(run.AdFolder(), QStringList{"a 1.gif"});  // no temporary file left
    QFile stored(run.home + "/ad/a 1.gif");
    QFile original(kPicture);
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), original.readAll());
}

TEST(getad, AMissingPictureLeavesNothingBehind) {
    PythonHttpServer www;
    ASSERT_NE(www.port, 0);
    const GetadRun run(www.port, {"none.gif"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.AdFolder().isEmpty());
}

TEST(getad, APictureCutShortLeavesNothingBehind) {
    vantry::test::ScriptedPeer peer(vantry::test::AnswerRequest({vantry::test::PeerStep::Send(
        "HTTP/1.0 200 OK\r\nContent-Type: image/gif\r\nContent-Length: 2000\r\n\r\nGIF89a")}));
    const GetadRun run(peer.Port(), {"cut.gif"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(peer.First().All().rfind("GET /ad/cut.gif HTTP/1.0\r\n", 0), 0u)
        << peer.First().All();
    EXPECT_TRUE(run.AdFolder().isEmpty());
}

TEST(getad, RefusesNamesThatLeaveThePictureFolder) {
    for (const char* name : {"../evil.gif", "sub/x.gif", ".hidden", ""}) {
        const GetadRun run(1, {name});
        EXPECT_EQ(run.exitCode, 2) << name;
        EXPECT_TRUE(run.AdFolder().isEmpty());
    }
    EXPECT_EQ(GetadRun(1, {"a.gif", "b.gif"}).exitCode, 2);
}

}  // namespace
}  // namespace murmel
