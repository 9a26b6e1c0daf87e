#include "net/Requests.h"

namespace varno {

HttpClientOptions clientOptions(const Endpoints& endpoints)
{
    HttpClientOptions options;
    options.extraCaCertificates = endpoints.extraCaCertificates;
    options.proxy = endpoints.proxy;
    return options;
}

HttpRequest webPageRequest(std::string url)
{
    return {.url = std::move(url), .headers = {{"Accept", kWebAccept}}};
}

HttpRequest apiRequest(std::string method, std::string url, const ApiAccount& account, std::string body)
{
    return {.method = std::move(method),
            .url = std::move(url),
            .headers = {{"Accept", kApiAccept}, {"Content-Type", kApiContentType}},
            .originHeaders = {{kIssuerHeader, account.issuerKey}},
            .credentials = BasicCredentials{account.userName, account.password},
            .body = std::move(body)};
}

} // namespace varno
