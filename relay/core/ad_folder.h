#pragma once
// The ads a relay serves, from one folder: ads.txt (one ad per line: Id,
// HowLong, HowManyTimes, GifUrl, GotoUrl, Description, tab-separated) and
// the pictures it names.
//
//   GET /ads/        the list, "<BODY>" CR LF, the lines, "</BODY>"; 304 when
//                    If-Modified-Since is not older than ads.txt
//   GET /ad/<name>   one picture; a name that is not a plain file name is 404

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/ad_store.h"

namespace murmel::relay {

class AdFolder : public AdStore {
public:
    explicit AdFolder(std::filesystem::path folder);

    int Respond(MHD_Connection* connection, std::string_view path, EventLog& log,
                const std::string& client) override;

    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
};

// The lines of an ads.txt that a client can use, each without its line end;
// reasons for the lines left out go to skipped.
std::vector<std::string> UsableAdLines(std::string_view text, std::vector<std::string>* skipped);

// A name that stays inside the ads folder: no '/', '\', "..", control
// characters or leading dot.
bool PlainFileName(std::string_view name);

}  // namespace murmel::relay
