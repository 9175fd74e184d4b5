#pragma once
// What the HTTP face asks of the ads: an answer to GET /ads/ or /ad/<name>.

#include <string>
#include <string_view>

struct MHD_Connection;

namespace murmel::relay {

class EventLog;

class AdStore {
public:
    virtual ~AdStore() = default;
    // Queues the answer for path on the connection; returns the library's MHD_Result.
    virtual int Respond(MHD_Connection* connection, std::string_view path, EventLog& log,
                        const std::string& client) = 0;
};

}  // namespace murmel::relay
