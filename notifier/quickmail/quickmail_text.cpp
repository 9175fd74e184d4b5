#include "quickmail/quickmail_text.h"

#include <QStringList>

#include "base/regular_file.h"
#include "settings/data_files.h"

namespace corvy::quickmail {
namespace {

constexpr const char* kRecentSection = "Recent Email Address";
constexpr int kWrapColumn = 70;
// A signature is a few lines; anything larger is not one.
constexpr std::size_t kMaxSignature = 64 * 1024;

std::string AddressKey(int index) {
    return "Address" + std::to_string(index);
}

}  // namespace

std::optional<QString> WrapText(const QString& text, smtp::SmtpProgress& progress) {
    progress.SetRange(0, static_cast<int>(text.size()));
    progress.SetStep(1);
    QString out;
    out.reserve(text.size() * 2 + 1);
    int column = 0;
    for (const QChar c : text) {
        if (c == u'\r') {
            column = 0;
        }
        if (c == u' ' && column > kWrapColumn) {
            out += QStringLiteral("\r\n");
            column = 0;
        } else {
            out += c;
        }
        ++column;
        progress.StepIt();
        if (progress.CheckCancelButton()) {
            return std::nullopt;
        }
    }
    return out;
}

std::vector<std::string> LoadRecentAddresses(const vantry::profile::Profile& profile) {
    std::vector<std::string> list;
    for (int i = 0; i < kRecentAddresses; ++i) {
        std::string address = profile.GetString(kRecentSection, AddressKey(i));
        if (!address.empty()) {
            list.push_back(std::move(address));
        }
    }
    return list;
}

void RememberRecipient(vantry::profile::Profile& profile, const std::string& recipient) {
    std::vector<std::string> list = LoadRecentAddresses(profile);
    const QString wanted = QString::fromStdString(recipient);
    bool known = false;
    for (const std::string& address : list) {
        known = known || QString::fromStdString(address).compare(wanted, Qt::CaseInsensitive) == 0;
    }
    if (!known) {
        list.insert(list.begin(), recipient);
    }
    for (int i = 0; i < kRecentAddresses && i < static_cast<int>(list.size()); ++i) {
        profile.WriteString(kRecentSection, AddressKey(i), list[static_cast<std::size_t>(i)]);
    }
}

std::string SignaturePath(const std::string& dataFolder) {
    return settings::ResolveDataFile("signature.txt", dataFolder);
}

QString WithSignature(const QString& text, const std::string& signaturePath) {
    const std::optional<std::string> file = vantry::ReadRegularFile(signaturePath, kMaxSignature);
    if (!file) {
        return text;
    }
    QString out = text + QStringLiteral("\r\n");
    QStringList lines = QString::fromUtf8(*file).split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();  // the last line's end is not a line of its own
    }
    for (QString& line : lines) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        out += line + QStringLiteral("\r\n");
    }
    return out;
}

}  // namespace corvy::quickmail
