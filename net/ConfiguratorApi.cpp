#include "net/ConfiguratorApi.h"

#include "net/HttpText.h"

#include <array>
#include <cstdio>

namespace varno {

ConfiguratorApi::ConfiguratorApi(HttpClient& client, std::string baseUrl, ApiAccount account)
    : client_(client), baseUrl_(std::move(baseUrl)), account_(std::move(account))
{
}

std::string ConfiguratorApi::getQuotationRecord(const std::string& recordId)
{
    const HttpResponse answer = client_.send(
        apiRequest("GET", baseUrl_ + std::string(kQuotationRecordsPath) + encodePathSegment(recordId), account_));
    return bodyText(answer);
}

ApiResponse ConfiguratorApi::post(std::string_view path, const std::string& body)
{
    const HttpResponse answer = client_.send(apiRequest("POST", baseUrl_ + std::string(path), account_, body));
    return {answer.status, bodyText(answer)};
}

std::string encodePathSegment(std::string_view identifier)
{
    // A segment "." or ".." would be removed by URL normalisation, sending the request to a parent path.
    if (identifier == "." || identifier == "..") {
        return identifier.size() == 1 ? "%2E" : "%2E%2E";
    }
    std::string encoded;
    for (const char c : identifier) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '/' || c == '?' || c == '#' || c == '%') {
            std::array<char, 4> escape{};
            std::snprintf(escape.data(), escape.size(), "%%%02X", byte);
            encoded += escape.data();
        } else {
            encoded += c;
        }
    }
    return encoded;
}

} // namespace varno
