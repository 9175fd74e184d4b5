#pragma once
// The e-mail made from one spool item: the header part's fields decoded from
// the sender's code page, the note as text/plain and the recording as a
// 16-bit PCM WAV attachment named after the message's date.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/header_part.h"
#include "core/recording.h"

namespace murmel::relay {

struct MailEnvelope {
    std::string sender;                   // the From address
    std::vector<std::string> recipients;  // To and Cc addresses
};

struct MailInput {
    HeaderPart header;  // as received, in the sender's code page
    std::string itemId;
    std::int64_t received = 0;
    std::filesystem::path recording;  // 16-bit PCM WAV or Ogg Opus
    SoundFormat recordingFormat = SoundFormat::Wave;
    std::string hostName;  // for the Message-ID
};

// Writes the message to fd (LF line ends, or CR LF for SMTP). Fills envelope.
bool WriteMailMessage(const MailInput& input, int fd, bool crlf, MailEnvelope* envelope,
                      std::string* error);

// The attachment's file name after the item's Date, in the sender's own zone:
// "voice-message-2026-12-06-1549.wav"; the receipt time (UTC) when Date is unreadable.
std::string RecordingFileName(const std::string& dateHeader, std::int64_t received,
                              SoundFormat format = SoundFormat::Wave);

}  // namespace murmel::relay
