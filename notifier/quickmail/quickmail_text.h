#pragma once
// What the QuickMail window does with text and the profile, apart from its
// widgets: the line wrapping before sending, the recent addresses and the
// signature.

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "profile/profile.h"
#include "smtp/smtp_progress.h"

namespace corvy::quickmail {

inline constexpr int kRecentAddresses = 10;

// Breaks long lines at spaces: a space seen when more than 70 characters
// were counted since the last carriage return (or inserted break) becomes
// CR LF. The bar steps once per character; nothing when cancelled.
std::optional<QString> WrapText(const QString& text, smtp::SmtpProgress& progress);

// The non-empty "Address0".."Address9" of "Recent Email Address", in order.
std::vector<std::string> LoadRecentAddresses(const vantry::profile::Profile& profile);
// Puts a new recipient first (the oldest falls off); a known one, letter
// case ignored, leaves the list as it is.
void RememberRecipient(vantry::profile::Profile& profile, const std::string& recipient);

// Where the signature is read from: signature.txt in the user's folder,
// else in the data installed with the program.
std::string SignaturePath(const std::string& dataFolder);
// The prefilled text with the signature appended: CR LF, then every line of
// the file followed by CR LF. The text alone when there is no file.
QString WithSignature(const QString& text, const std::string& signaturePath);

}  // namespace corvy::quickmail
