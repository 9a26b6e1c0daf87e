#include "net/CurlUrl.h"

#include "net/HttpText.h"

namespace varno {

ParsedUrl parsed(const std::string& url, unsigned int flags)
{
    ParsedUrl handle(curl_url());
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), flags) != CURLUE_OK) {
        return nullptr;
    }
    return handle;
}

std::string partOf(const ParsedUrl& url, CURLUPart part, unsigned int flags)
{
    char* text = nullptr;
    const CURLUcode found = curl_url_get(url.get(), part, &text, flags);
    const CurlText owned(text);
    return found == CURLUE_OK && text != nullptr ? std::string(text) : std::string();
}

Origin originOf(const std::string& url)
{
    const ParsedUrl parts = parsed(url);
    if (!parts) {
        return {};
    }
    const std::string scheme = lowerAscii(partOf(parts, CURLUPART_SCHEME));
    const std::string host = lowerAscii(partOf(parts, CURLUPART_HOST));
    const std::string port = partOf(parts, CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (scheme.empty() || host.empty() || port.empty()) {
        return {};
    }
    return {scheme, host, std::stoi(port)};
}

bool isHttpScheme(const std::string& url)
{
    const std::string scheme = originOf(url).scheme;
    return scheme == "https" || scheme == "http";
}

std::string displayUrl(const std::string& url)
{
    const ParsedUrl parts = parsed(url, CURLU_NON_SUPPORT_SCHEME);
    if (!parts) {
        std::string shown = url.substr(0, url.find_first_of("?#"));
        const auto at = shown.find('@');
        return at == std::string::npos ? shown : shown.substr(at + 1);
    }
    char* query = nullptr;
    const bool hadQuery = curl_url_get(parts.get(), CURLUPART_QUERY, &query, 0) == CURLUE_OK;
    const CurlText ownedQuery(query);
    for (const CURLUPart hidden : {CURLUPART_USER, CURLUPART_PASSWORD, CURLUPART_QUERY, CURLUPART_FRAGMENT}) {
        curl_url_set(parts.get(), hidden, nullptr, 0);
    }
    const std::string shown = partOf(parts, CURLUPART_URL);
    return shown.empty() ? shown : shown + (hadQuery ? "?…" : "");
}

} // namespace varno
