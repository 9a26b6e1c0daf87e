#include "net/ConfiguratorApi.h"

#include <array>
#include <cstdio>

namespace varno {

HttpClientOptions apiClientOptions(const Endpoints& endpoints)
{
    HttpClientOptions options;
    options.accept = kApiAccept;
    options.extraCaCertificates = endpoints.extraCaCertificates;
    return options;
}

void applyApiRequestSettings(HttpClient& client, const ApiAccount& account)
{
    client.setBasicAuthentication(account.userName, account.password);
    client.clearCustomHeaders();
    client.addCustomHeader(kIssuerHeader, account.issuerKey);
    client.setContentType(kApiContentType);
}

ConfiguratorApi::ConfiguratorApi(HttpClient& client, std::string baseUrl, ApiAccount account)
    : client_(client), baseUrl_(std::move(baseUrl)), account_(std::move(account))
{
}

std::string ConfiguratorApi::getQuotationRecord(const std::string& recordId)
{
    applyApiRequestSettings(client_, account_);
    return client_.get(baseUrl_ + std::string(kQuotationRecordsPath) + encodePathSegment(recordId));
}

ApiResponse ConfiguratorApi::post(std::string_view path, const std::string& body)
{
    applyApiRequestSettings(client_, account_);
    std::string answer = client_.post(baseUrl_ + std::string(path), body);
    return {client_.responseCode(), std::move(answer)};
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
