#include "core/ad_folder.h"

#include <microhttpd.h>
#include <sys/stat.h>

#include "base/integer.h"
#include "base/regular_file.h"
#include "core/event_log.h"
#include "core/http_date.h"

namespace murmel::relay {

namespace {

constexpr std::string_view kListPath = "/ads/";
constexpr std::string_view kPicturePrefix = "/ad/";
constexpr std::size_t kMaxListBytes = 1 << 20;
constexpr std::size_t kMaxFields = 6;

bool IsInteger(std::string_view s, long long min, long long max) {
    const auto v = vantry::ParseInteger<long long>(s);
    return v && *v >= min && *v <= max;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

MHD_Result Answer(MHD_Connection* connection, unsigned status, std::string body,
                  const char* contentType, const std::string& lastModified) {
    MHD_Response* response = MHD_create_response_from_buffer(
        body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) {
        return MHD_NO;
    }
    if (contentType != nullptr) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType);
    }
    if (!lastModified.empty()) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_LAST_MODIFIED, lastModified.c_str());
    }
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

// Error answers keep the <BODY> wrapping, so a client that reads one never
// takes its text for ad lines.
MHD_Result NotFound(MHD_Connection* connection) {
    return Answer(connection, MHD_HTTP_NOT_FOUND, "<BODY>\r\n</BODY>\r\n", "text/plain", {});
}

}  // namespace

bool PlainFileName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name.front() == '.' ||
        name.find("..") != std::string_view::npos) {
        return false;
    }
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || u < 0x20 || u == 0x7f) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> UsableAdLines(std::string_view text, std::vector<std::string>* skipped) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;  // an empty line would end the client's list early
        }
        const auto fields = Fields(line);
        std::string why;
        if (fields.size() != kMaxFields) {
            why = "not six fields";
        } else if (fields[0].empty()) {
            why = "no Id";
        } else if (!IsInteger(fields[1], 0, 32)) {
            why = "HowLong is not 0 to 32 seconds";
        } else if (!IsInteger(fields[2], -2147483648LL, 2147483647LL)) {
            why = "HowManyTimes is not a number";
        } else if (!PlainFileName(fields[3])) {
            why = "GifUrl is not a plain file name";
        } else if (!fields[4].starts_with("http://") && !fields[4].starts_with("https://")) {
            why = "GotoUrl is not an http or https address";
        } else if (line.find('\r') != std::string_view::npos) {
            why = "holds a CR";
        }
        if (why.empty()) {
            lines.emplace_back(line);
        } else if (skipped != nullptr) {
            skipped->push_back(std::string(fields[0]) + ": " + why);
        }
    }
    return lines;
}

AdFolder::AdFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}

int AdFolder::Respond(MHD_Connection* connection, std::string_view path, EventLog& log,
                      const std::string& client) {
    if (path == kListPath) {
        const std::string listPath = (folder_ / "ads.txt").string();
        vantry::FileDescriptor fd = vantry::OpenRegularFile(listPath);
        struct stat st {};
        if (!fd.valid() || ::fstat(fd.get(), &st) != 0) {
            log.Event("refused", "", "client=" + client + " status=404 reason=no ads.txt");
            return NotFound(connection);
        }
        const std::string lastModified = FormatHttpDate(st.st_mtime);
        const char* since = MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                        MHD_HTTP_HEADER_IF_MODIFIED_SINCE);
        if (since != nullptr) {
            const auto sinceTime = ParseHttpDate(since);
            if (sinceTime && st.st_mtime <= *sinceTime) {
                return Answer(connection, MHD_HTTP_NOT_MODIFIED, {}, nullptr, lastModified);
            }
        }
        const auto text = vantry::ReadRegularFile(listPath, kMaxListBytes);
        std::vector<std::string> skipped;
        const auto lines = UsableAdLines(text.value_or(std::string()), &skipped);
        for (const std::string& why : skipped) {
            log.Event("ads", "", "line left out: " + why);
        }
        std::string body = "<BODY>\r\n";
        for (const std::string& line : lines) {
            body += line + "\r\n";
        }
        body += "</BODY>\r\n";
        return Answer(connection, MHD_HTTP_OK, std::move(body), "text/plain", lastModified);
    }
    if (path.starts_with(kPicturePrefix)) {
        const std::string_view name = path.substr(kPicturePrefix.size());
        if (PlainFileName(name)) {
            vantry::FileDescriptor fd = vantry::OpenRegularFile((folder_ / name).string());
            struct stat st {};
            if (fd.valid() && ::fstat(fd.get(), &st) == 0) {
                MHD_Response* response =
                    MHD_create_response_from_fd(static_cast<std::uint64_t>(st.st_size), fd.get());
                if (response == nullptr) {
                    return MHD_NO;
                }
                fd.Release();  // the response owns it now
                const bool gif =
                    name.size() > 4 && (name.ends_with(".gif") || name.ends_with(".GIF"));
                MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                                        gif ? "image/gif" : "application/octet-stream");
                MHD_add_response_header(response, MHD_HTTP_HEADER_LAST_MODIFIED,
                                        FormatHttpDate(st.st_mtime).c_str());
                const MHD_Result queued = MHD_queue_response(connection, MHD_HTTP_OK, response);
                MHD_destroy_response(response);
                return queued;
            }
        }
    }
    log.Event("refused", "",
              "client=" + client + " status=404 reason=no such ad " + std::string(path));
    return NotFound(connection);
}

}  // namespace murmel::relay
