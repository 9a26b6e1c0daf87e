#pragma once

#include "net/HttpClient.h"
#include "net/Requests.h"

#include <string>
#include <string_view>

namespace varno {

inline constexpr std::string_view kQuotationRecordsPath = "/api/v2.0/quotation-records/";
inline constexpr std::string_view kCheckQuotationRecordsPath = "/api/v1.1/createorderprocess/checkquotationrecords";
inline constexpr std::string_view kCreateOrderPath = "/api/v1.1/createorderprocess/createorder";

// What an API request that came back gives: its status (a 2xx, since other statuses throw) and body
// (UTF-8).
struct ApiResponse {
    int status;
    std::string body;
};

// The configurator API through a window's own client. Bodies come back decoded to UTF-8.
class ConfiguratorApi {
public:
    ConfiguratorApi(HttpClient& client, std::string baseUrl, ApiAccount account);

    // The quotation record's body, whatever 2xx status it came with.
    std::string getQuotationRecord(const std::string& recordId);
    ApiResponse post(std::string_view path, const std::string& body);

private:
    HttpClient& client_;
    std::string baseUrl_;
    ApiAccount account_;
};

// An identifier made safe for one URL path segment: only what would change the URL's structure is
// percent-encoded ('/', '?', '#', '%', blanks, control and non-ASCII characters, and the dots of a
// segment "." or ".."), so Q-42 or 12,13 go as they are.
std::string encodePathSegment(std::string_view identifier);

} // namespace varno
