#include "core/smtp_target.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <mutex>

#include "base/regular_file.h"

namespace murmel::relay {

namespace {

void InitCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Exchange {
    std::string lastReply;  // the server's last reply line
};

int KeepServerReplies(CURL* /*handle*/, curl_infotype type, char* data, std::size_t size,
                      void* user) {
    if (type == CURLINFO_HEADER_IN) {
        std::string line(data, size);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        static_cast<Exchange*>(user)->lastReply = line;
    }
    return 0;
}

struct CurlCloser {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListCloser {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

}  // namespace

SmtpTarget::SmtpTarget(SmtpSettings settings, std::filesystem::path workDir)
    : settings_(std::move(settings)), workDir_(std::move(workDir)) {
    InitCurl();
}

DeliveryOutcome SmtpTarget::Deliver(const MailInput& input) {
    // The message goes to a file first: curl reads it at the server's pace.
    const std::filesystem::path path = workDir_ / (input.itemId + ".eml");
    struct Remove {
        std::filesystem::path p;
        ~Remove() { ::unlink(p.c_str()); }
    } remove{path};
    MailEnvelope envelope;
    std::string error;
    {
        vantry::FileDescriptor fd(
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (!fd.valid()) {
            return {DeliveryResult::Temporary, "cannot write " + path.string()};
        }
        if (!WriteMailMessage(input, fd.get(), true, &envelope, &error)) {
            return {DeliveryResult::Permanent, error};
        }
    }
    std::unique_ptr<FILE, FileCloser> message(std::fopen(path.c_str(), "rb"));
    std::unique_ptr<CURL, CurlCloser> curl(curl_easy_init());
    if (!message || !curl) {
        return {DeliveryResult::Temporary, "cannot start the SMTP client"};
    }
    std::unique_ptr<curl_slist, ListCloser> recipients;
    for (const std::string& r : envelope.recipients) {
        recipients.reset(curl_slist_append(recipients.release(), ("<" + r + ">").c_str()));
    }
    const std::string from = "<" + envelope.sender + ">";
    Exchange exchange;
    char curlError[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READDATA, message.get());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, curlError);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, settings_.timeoutSeconds);
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &KeepServerReplies);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, &exchange);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // feeds the debug function only
    if (settings_.requireStartTls) {
        curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    }
    if (!settings_.caFile.empty()) {
        curl_easy_setopt(c, CURLOPT_CAINFO, settings_.caFile.c_str());
    }
    if (!settings_.user.empty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, settings_.user.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, settings_.password.c_str());
    }
    std::string url = settings_.url;
    if (!settings_.helo.empty()) {
        // curl takes the EHLO name from the URL's path.
        url += (url.ends_with("/") ? "" : "/") + settings_.helo;
    }
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    const CURLcode result = curl_easy_perform(c);
    if (result == CURLE_OK) {
        return {DeliveryResult::Delivered, "smtp " + exchange.lastReply};
    }
    long code = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &code);
    const std::string reason =
        "smtp " + std::string(curlError[0] != '\0' ? curlError : curl_easy_strerror(result)) +
        (exchange.lastReply.empty() ? "" : " (" + exchange.lastReply + ")");
    // A rejected login is the site's setting to mend, not the message's fault: keep retrying.
    if (code >= 500 && code < 600 && result != CURLE_LOGIN_DENIED) {
        return {DeliveryResult::Permanent, reason};
    }
    return {DeliveryResult::Temporary, reason};
}

}  // namespace murmel::relay
