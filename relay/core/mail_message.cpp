#include "core/mail_message.h"

#include <fcntl.h>
#include <gmime/gmime.h>

#include <mutex>

#include "core/code_page.h"

namespace murmel::relay {

namespace {

// GMime keeps process-wide tables; they are set up once and live as long as the process.
void InitGMime() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

template <typename T>
struct GObjectRef {
    T* p = nullptr;
    explicit GObjectRef(T* object) : p(object) {}
    ~GObjectRef() {
        if (p != nullptr) {
            g_object_unref(p);
        }
    }
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
    T* get() const { return p; }
};

struct DateRef {
    GDateTime* p;
    ~DateRef() {
        if (p != nullptr) {
            g_date_time_unref(p);
        }
    }
};

// The message's date in the sender's zone; the receipt time when Date is unreadable.
GDateTime* MessageDate(const std::string& dateHeader, std::int64_t received) {
    if (!dateHeader.empty()) {
        if (GDateTime* date = g_mime_utils_header_decode_date(dateHeader.c_str())) {
            return date;
        }
    }
    return g_date_time_new_from_unix_utc(received);
}

void CollectMailboxes(InternetAddressList* list, std::vector<std::string>* out) {
    const int n = internet_address_list_length(list);
    for (int i = 0; i < n; ++i) {
        InternetAddress* address = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
            const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
            if (addr != nullptr && *addr != '\0') {
                out->emplace_back(addr);
            }
        } else if (INTERNET_ADDRESS_IS_GROUP(address)) {
            CollectMailboxes(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)),
                             out);
        }
    }
}

// Parses an address list into the message's list of that kind; false when it holds no mailbox.
bool AddAddresses(GMimeMessage* message, GMimeAddressType type, const std::string& text,
                  std::vector<std::string>* mailboxes) {
    GObjectRef<InternetAddressList> parsed(internet_address_list_parse(nullptr, text.c_str()));
    if (parsed.get() == nullptr) {
        return false;
    }
    const std::size_t before = mailboxes->size();
    CollectMailboxes(parsed.get(), mailboxes);
    internet_address_list_append(g_mime_message_get_addresses(message, type), parsed.get());
    return mailboxes->size() > before;
}

std::string WithLfLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        out += text[i];
    }
    return out;
}

}  // namespace

std::string RecordingFileName(const std::string& dateHeader, std::int64_t received,
                              SoundFormat format) {
    InitGMime();
    DateRef date{MessageDate(dateHeader, received)};
    gchar* stamp = g_date_time_format(date.p, "%Y-%m-%d-%H%M");
    std::string name =
        std::string("voice-message-") + (stamp != nullptr ? stamp : "") + SoundExtension(format);
    g_free(stamp);
    return name;
}

bool WriteMailMessage(const MailInput& input, int fd, bool crlf, MailEnvelope* envelope,
                      std::string* error) {
    InitGMime();
    const std::string codePage = CodePageOfLocale(input.header.language);
    auto text = [&codePage](const std::string& raw) { return DecodeCodePage(raw, codePage); };

    GObjectRef<GMimeMessage> message(g_mime_message_new(TRUE));
    std::vector<std::string> senders;
    if (!AddAddresses(message.get(), GMIME_ADDRESS_TYPE_FROM, text(input.header.from), &senders)) {
        *error = "From holds no address";
        return false;
    }
    envelope->sender = senders.front();
    envelope->recipients.clear();
    if (!AddAddresses(message.get(), GMIME_ADDRESS_TYPE_TO, text(input.header.to),
                      &envelope->recipients)) {
        *error = "To holds no address";
        return false;
    }
    if (!input.header.cc.empty()) {
        AddAddresses(message.get(), GMIME_ADDRESS_TYPE_CC, text(input.header.cc),
                     &envelope->recipients);
    }
    g_mime_message_set_subject(message.get(), text(input.header.subject).c_str(), "utf-8");
    DateRef date{MessageDate(input.header.date, input.received)};
    g_mime_message_set_date(message.get(), date.p);
    const std::string messageId = input.itemId + "@" + input.hostName;
    g_mime_message_set_message_id(message.get(), messageId.c_str());

    GMimeObject* object = GMIME_OBJECT(message.get());
    if (!input.header.organization.empty()) {
        g_mime_object_set_header(object, "Organization", text(input.header.organization).c_str(),
                                 "utf-8");
    }
    if (input.header.returnReceipt) {
        // The bare address: readers treat this header as plain text, not as an address list.
        g_mime_object_set_header(object, "Disposition-Notification-To", envelope->sender.c_str(),
                                 nullptr);
    }
    if (!input.header.mailer.empty()) {
        const std::string mailer = text(input.header.mailer + " " + input.header.mailerVersion);
        g_mime_object_set_header(object, "X-Mailer", mailer.c_str(), "utf-8");
    }

    GObjectRef<GMimeTextPart> note(g_mime_text_part_new_with_subtype("plain"));
    g_mime_text_part_set_text(note.get(), WithLfLineEnds(text(input.header.note)).c_str());
    GMimePart* notePart = GMIME_PART(note.get());
    g_mime_part_set_content_encoding(
        notePart, g_mime_part_get_best_content_encoding(notePart, GMIME_ENCODING_CONSTRAINT_7BIT));

    GError* gerror = nullptr;
    GObjectRef<GMimeStream> sound(
        g_mime_stream_fs_open(input.recording.c_str(), O_RDONLY | O_CLOEXEC, 0, &gerror));
    if (sound.get() == nullptr) {
        *error = "cannot open recording: " + std::string(gerror ? gerror->message : "?");
        g_clear_error(&gerror);
        return false;
    }
    GObjectRef<GMimeDataWrapper> soundData(
        g_mime_data_wrapper_new_with_stream(sound.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    GObjectRef<GMimePart> attachment(
        g_mime_part_new_with_type("audio", SoundSubtype(input.recordingFormat)));
    g_mime_part_set_content(attachment.get(), soundData.get());
    g_mime_part_set_content_encoding(attachment.get(), GMIME_CONTENT_ENCODING_BASE64);
    g_mime_part_set_filename(
        attachment.get(),
        RecordingFileName(input.header.date, input.received, input.recordingFormat).c_str());

    GObjectRef<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
    g_mime_multipart_add(mixed.get(), GMIME_OBJECT(note.get()));
    g_mime_multipart_add(mixed.get(), GMIME_OBJECT(attachment.get()));
    g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed.get()));

    GObjectRef<GMimeStream> out(g_mime_stream_fs_new(fd));
    g_mime_stream_fs_set_owner(GMIME_STREAM_FS(out.get()), FALSE);
    GMimeFormatOptions* options = g_mime_format_options_new();
    g_mime_format_options_set_newline_format(
        options, crlf ? GMIME_NEWLINE_FORMAT_DOS : GMIME_NEWLINE_FORMAT_UNIX);
    const ssize_t written = g_mime_object_write_to_stream(object, options, out.get());
    g_mime_format_options_free(options);
    if (written < 0 || g_mime_stream_flush(out.get()) != 0) {
        *error = "cannot write the message";
        return false;
    }
    return true;
}

}  // namespace murmel::relay
