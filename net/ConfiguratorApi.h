#pragma once

#include "net/Endpoints.h"
#include "net/HttpClient.h"

#include <string>
#include <string_view>

namespace varno {

// The account with which every configurator API request authenticates.
struct ApiAccount {
    std::string userName;
    std::string password;
    std::string issuerKey;
};

inline constexpr const char* kApiAccept = "application/json";
inline constexpr const char* kApiContentType = "application/json; charset=utf-8";
inline constexpr const char* kIssuerHeader = "Zedir-Issuer";

inline constexpr std::string_view kQuotationRecordsPath = "/api/v2.0/quotation-records/";
inline constexpr std::string_view kCheckQuotationRecordsPath = "/api/v1.1/createorderprocess/checkquotationrecords";
inline constexpr std::string_view kCreateOrderPath = "/api/v1.1/createorderprocess/createorder";

// What an API request that came back gives: its status (a 2xx, since other statuses throw) and body.
struct ApiResponse {
    int status;
    std::string body;
};

// Options of a client that talks to the configurator API.
HttpClientOptions apiClientOptions(const Endpoints& endpoints);

// The settings applied before each API request: Basic credentials, the header list cleared and then
// exactly one issuer header, and the JSON content type.
void applyApiRequestSettings(HttpClient& client, const ApiAccount& account);

// The configurator API through a window's own client: every request gets the API request settings
// first.
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
