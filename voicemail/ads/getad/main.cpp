// getad NAME: fetches one ad picture from the relay server named by the
// ConnectTo setting and stores it as ad/NAME in the program folder. The HTTP
// control does the request; it is created by its ProgID and called by name,
// as any host would. The picture appears whole or not at all: it is written
// to a temporary file and renamed, so the ad rotation never loads half of it.
//
// Exit status: 0 stored, 1 not stored (no server, no answer, an error status,
// a short body), 2 wrong use.

#include <dlfcn.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "ads/ad_list.h"
#include "automation/create_object.h"
#include "automation/dispatch.h"
#include "automation/error.h"
#include "automation/events.h"
#include "automation/exports.h"
#include "registry/registry.h"
#include "settings/cregistry.h"
#include "startup/apppath.h"
#include "upload/upload_texts.h"

namespace {

namespace va = vantry::automation;

constexpr const char* kHttpProgId = "HTTP.HTTPCtrl.1";
constexpr int kDefaultPort = 80;
// No ad picture comes near this; a larger body is not one.
constexpr size_t kMaxPictureBytes = 16 * 1024 * 1024;
// The control's events, by identifier.
constexpr va::DispId kEventHeader = 4;
constexpr va::DispId kEventTransfer = 6;

void Fail(const std::string& text) {
    std::fprintf(stderr, "getad: %s\n", text.c_str());
}

// The control library installed beside this program (lib/ next to bin/).
QString InstalledControlLibrary() {
    const QString bin = QCoreApplication::applicationDirPath();
    for (const QString& relative : {QStringLiteral(GETAD_LIBDIR "/libfetchwire.so"),
                                    QStringLiteral("../lib/libfetchwire.so")}) {
        const QFileInfo candidate(bin + QLatin1Char('/') + relative);
        if (candidate.exists()) {
            return candidate.canonicalFilePath();
        }
    }
    return {};
}

// Creates the HTTP control, registering the installed library first when
// its ProgID is not known yet (the first run after an install).
va::ObjectPtr CreateHttpControl() {
    if (!va::ClsidFromProgId(vantry::registry::Store(), kHttpProgId)) {
        const QString library = InstalledControlLibrary();
        void* handle = library.isEmpty() ? nullptr
                                         : ::dlopen(QFile::encodeName(library).constData(),
                                                    RTLD_NOW | RTLD_LOCAL);
        auto registerServer =
            handle ? reinterpret_cast<va::DllRegisterServerFn>(::dlsym(handle, "DllRegisterServer"))
                   : nullptr;
        if (!registerServer || registerServer() != va::kS_OK) {
            Fail("the HTTP control is not registered and its library was not found");
            return nullptr;
        }
    }
    return va::CreateObject(kHttpProgId);
}

// What the request brought: the declared length and the body.
struct Download {
    std::optional<size_t> contentLength;
    std::string body;
    bool tooLarge = false;
};

std::string Bytes(const va::Variant& v) {
    return va::NarrowBytes(v.ToString());
}

// Runs GET url through the control; the body when the answer is complete and 2xx.
std::optional<std::string> Fetch(const std::string& url) {
    va::ObjectPtr object = CreateHttpControl();
    auto http = va::QueryInterface<va::IDispatchable>(object);
    auto events = va::QueryInterface<va::IConnectable>(object);
    if (!http || !events) {
        Fail("the HTTP control offers no dispatch interface");
        return std::nullopt;
    }
    Download download;
    const uint32_t cookie = events->Advise(
        va::MakeEventSink([&download, &http](va::DispId id, const std::vector<va::Variant*>& a) {
            if (id == kEventHeader && a.size() == 2 &&
                QByteArray::fromStdString(Bytes(*a[0]))
                        .trimmed()
                        .compare("Content-Length", Qt::CaseInsensitive) == 0) {
                bool ok = false;
                const qulonglong n =
                    QByteArray::fromStdString(Bytes(*a[1])).trimmed().toULongLong(&ok);
                if (ok) {
                    download.contentLength = n;
                }
            } else if (id == kEventTransfer && a.size() == 2) {
                download.body += Bytes(*a[1]);
                if (download.body.size() > kMaxPictureBytes && !download.tooLarge) {
                    download.tooLarge = true;
                    try {
                        va::PutProperty(*http, "Action", va::Variant(int32_t{0}));  // interrupt
                    } catch (const va::AutomationError&) {
                    }
                }
            }
        }));
    std::string status;
    try {
        va::PutProperty(*http, "WinsockLoaded", va::Variant(true));
        va::PutProperty(*http, "URL", va::Variant(va::WidenBytes(url)));
        va::PutProperty(*http, "Action", va::Variant(int32_t{1}));
        status = Bytes(va::GetProperty(*http, "StatusLine"));
    } catch (const va::AutomationError& e) {
        events->Unadvise(cookie);
        Fail(url + ": " + std::to_string(e.Number()) + " " + e.Description());
        return std::nullopt;
    }
    events->Unadvise(cookie);
    // The control reports a server that closed without a word as success.
    const size_t space = status.find(' ');
    if (space == std::string::npos || status.compare(space + 1, 1, "2") != 0) {
        Fail(url + ": no answer");
        return std::nullopt;
    }
    if (download.tooLarge || download.body.empty() ||
        (download.contentLength && *download.contentLength != download.body.size())) {
        Fail(url + ": the picture did not arrive whole");
        return std::nullopt;
    }
    return std::move(download.body);
}

bool Store(const QString& path, const std::string& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
        Fail(path.toStdString() + ": " + file.errorString().toStdString());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1 || !murmel::IsPlainAdFileName(args.first())) {
        std::fputs("usage: getad NAME   (NAME: a picture file name from the ad list)\n", stderr);
        return 2;
    }
    const QString name = args.first();
    const murmel::ServerAddress server = murmel::ParseConnectTo(murmel::cRegistry().ConnectTo());
    if (server.host.isEmpty()) {
        Fail("the ConnectTo setting names no server");
        return 1;
    }
    const int port = server.port > 0 ? server.port : kDefaultPort;
    const std::string url = "http://" + server.host.toStdString() + ":" + std::to_string(port) +
                            "/ad/" + QUrl::toPercentEncoding(name).toStdString();
    std::optional<std::string> picture;
    try {
        picture = Fetch(url);
    } catch (const va::AutomationError& e) {
        Fail(std::to_string(e.Number()) + " " + e.Description());
    }
    if (!picture) {
        return 1;
    }
    return Store(murmel::ProgramFolder() + QStringLiteral("/ad/") + name, *picture) ? 0 : 1;
}
