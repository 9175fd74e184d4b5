// fetchwire: a command-line host of the HTTP control. It creates the control
// by its ProgID like any host, sets the request properties from the command
// line, runs the request and reports every event as it fires.

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "automation/create_object.h"
#include "automation/dispatch.h"
#include "automation/events.h"
#include "automation/exports.h"
#include "registry/registry.h"
#include "tools/fetchwire/options.h"

namespace {

namespace va = vantry::automation;
using fetchwire::cli::Options;

constexpr const char* kProgId = "HTTP.HTTPCtrl.1";

// Bytes as the control carries them: one 16-bit unit per byte.
std::string Bytes(const va::Variant& v) {
    return va::NarrowBytes(v.ToString());
}
va::Variant Units(const std::string& bytes) {
    return va::Variant(va::WidenBytes(bytes));
}

// Text for an event line, all of them UTF-8: control characters (C0, DEL
// and C1, which a terminal may obey) and the backslash are escaped, so
// nothing a server sends can end the line or steer the terminal.
std::string LineText(std::u16string_view text) {
    std::u16string plain;
    std::string out;
    auto flush = [&] {
        out += va::Utf8(plain);
        plain.clear();
    };
    for (const char16_t c : text) {
        const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
        if (!control && c != u'\\') {
            plain += c;
            continue;
        }
        flush();
        switch (c) {
            case u'\\':
                out += "\\\\";
                break;
            case u'\r':
                out += "\\r";
                break;
            case u'\n':
                out += "\\n";
                break;
            case u'\t':
                out += "\\t";
                break;
            default: {
                static const char kHex[] = "0123456789abcdef";
                out += "\\x";
                out += kHex[(c >> 4) & 0xF];
                out += kHex[c & 0xF];
            }
        }
    }
    flush();
    return out;
}

// Prints each event on stderr and the body on stdout as it arrives.
class ReportingSink : public va::IEventSink {
public:
    void Fire(va::DispId id, const std::vector<va::Variant*>& a) override {
        switch (id) {
            case 1:
                Line("Error " + a[0]->ToUtf8() + " " + LineText(a[1]->ToString()));
                break;
            case 2:
                Line("Connected " + a[0]->ToUtf8() + " " + LineText(a[1]->ToString()));
                break;
            case 3:
                Line("Disconnected " + a[0]->ToUtf8() + " " + LineText(a[1]->ToString()));
                break;
            case 4:
                Line("Header " + LineText(a[0]->ToString()) + ": " + LineText(a[1]->ToString()));
                break;
            case 5:
                Line("StartTransfer");
                break;
            case 6: {
                const std::u16string* units = a[1]->IfString();
                const std::string text = units ? va::NarrowBytes(*units) : Bytes(*a[1]);
                std::fwrite(text.data(), 1, text.size(), stdout);
                // A line per 2048 bytes of body: the usual number is printed
                // without a round trip through a Variant's text.
                if (const int32_t* total = a[0]->IfInt32()) {
                    std::fprintf(stderr, "Transfer %ld %zu\n", static_cast<long>(*total),
                                 text.size());
                } else {
                    Line("Transfer " + a[0]->ToUtf8() + " " + std::to_string(text.size()));
                }
                break;
            }
            case 7:
                Line("EndTransfer");
                break;
            default:
                break;
        }
    }
    static void Line(std::string text) {
        text += '\n';
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
};

// The control library installed beside this program.
std::filesystem::path InstalledLibrary() {
    const std::filesystem::path bin = QCoreApplication::applicationDirPath().toStdString();
    for (const char* rel :
         {FETCHWIRE_LIBDIR "/libfetchwire.so", "../lib/libfetchwire.so", "libfetchwire.so"}) {
        const std::filesystem::path candidate = bin / rel;
        std::error_code ec;
        if (std::filesystem::exists(candidate, ec)) {
            return std::filesystem::weakly_canonical(candidate, ec);
        }
    }
    return {};
}

// Registers the installed control library, as an installer would.
bool RegisterInstalled() {
    const std::filesystem::path lib = InstalledLibrary();
    if (lib.empty()) {
        ReportingSink::Line(
            "fetchwire: the HTTP control is not registered and its library "
            "was not found beside this program");
        return false;
    }
    void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto reg = handle
                   ? reinterpret_cast<va::DllRegisterServerFn>(dlsym(handle, "DllRegisterServer"))
                   : nullptr;
    const int32_t rc = reg ? reg() : va::kE_FAIL;
    if (rc != va::kS_OK) {
        ReportingSink::Line("fetchwire: could not register " + lib.string());
        return false;
    }
    ReportingSink::Line("fetchwire: registered the HTTP control from " + lib.string());
    return true;
}

int interruptPipe[2] = {-1, -1};

void OnSigint(int) {
    const char c = 'i';
    [[maybe_unused]] const ssize_t n = write(interruptPipe[1], &c, 1);
}

void SetProperties(va::IDispatchable& http, const Options& o) {
    va::PutProperty(http, "WinsockLoaded", va::Variant(true));
    va::PutProperty(http, "URL", Units(o.url));
    if (o.proxyServer) {
        va::PutProperty(http, "ProxyServer", Units(*o.proxyServer));
        va::PutProperty(http, "ProxyPort", va::Variant(o.proxyPort));
    }
    const std::pair<const char*, const std::optional<std::string>*> texts[] = {
        {"PostData", &o.postData},
        {"AttachedFile", &o.attachedFile},
        {"ContentType", &o.contentType},
        {"UserAgent", &o.userAgent},
        {"IfModifiedSince", &o.ifModifiedSince},
        {"HTTPVersion", &o.httpVersion},
        {"User", &o.user},
        {"Password", &o.password},
    };
    for (const auto& [name, value] : texts) {
        if (*value) {
            va::PutProperty(http, name, Units(**value));
        }
    }
    if (!o.otherHeaders.empty()) {
        va::PutProperty(http, "OtherHeaders", Units(o.otherHeaders));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Output is written in large blocks and flushed whenever the loop is
    // about to wait: a fast download is not held up by a write per piece,
    // and a slow one still shows each event as it happens.
    static char outBuffer[1 << 16];
    static char errBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    std::setvbuf(stderr, errBuffer, _IOFBF, sizeof errBuffer);
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     [] {
                         std::fflush(stdout);
                         std::fflush(stderr);
                     });
    std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    std::string error;
    if (!fetchwire::cli::ParseOptions(args, &options, &error)) {
        std::fprintf(stderr, "fetchwire: %s\n%s", error.c_str(), fetchwire::cli::kUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(fetchwire::cli::kUsage, stdout);
        return 0;
    }

    std::shared_ptr<va::IDispatchable> http;
    std::shared_ptr<va::IConnectable> events;
    try {
        const vantry::registry::Store store;
        if (!va::ClsidFromProgId(store, kProgId) && !RegisterInstalled()) {
            return 1;
        }
        va::ObjectPtr object = va::CreateObject(kProgId);
        http = va::QueryInterface<va::IDispatchable>(object);
        events = va::QueryInterface<va::IConnectable>(object);
        if (!http || !events) {
            ReportingSink::Line("Error 429 the HTTP control offers no dispatch interface");
            return 1;
        }
    } catch (const va::AutomationError& e) {
        ReportingSink::Line("Error " + std::to_string(e.Number()) + " " +
                            LineText(va::FromUtf8(e.Description())));
        return 1;
    }
    const uint32_t cookie = events->Advise(std::make_shared<ReportingSink>());

    // Ctrl-C interrupts the request through the control, from the event loop.
    std::unique_ptr<QSocketNotifier> interrupts;
    if (pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        interrupts = std::make_unique<QSocketNotifier>(interruptPipe[0], QSocketNotifier::Read);
        QObject::connect(interrupts.get(), &QSocketNotifier::activated, [&http] {
            char buf[16];
            while (read(interruptPipe[0], buf, sizeof buf) > 0) {
            }
            try {
                va::PutProperty(*http, "Action", va::Variant(int32_t{0}));
            } catch (const va::AutomationError&) {
            }
        });
        struct sigaction sa {};
        sa.sa_handler = OnSigint;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, nullptr);
    }

    int exitCode = 0;
    std::string failure;
    try {
        SetProperties(*http, options);
        va::PutProperty(*http, "Action", va::Variant(options.action));
    } catch (const va::AutomationError& e) {
        failure =
            "Error " + std::to_string(e.Number()) + " " + LineText(va::FromUtf8(e.Description()));
        exitCode = 1;
    }
    try {
        ReportingSink::Line("StatusLine " +
                            LineText(va::GetProperty(*http, "StatusLine").ToString()));
    } catch (const va::AutomationError&) {
    }
    if (exitCode != 0) {
        ReportingSink::Line(failure);
    }
    events->Unadvise(cookie);
    interrupts.reset();
    http.reset();
    events.reset();
    return exitCode;
}
