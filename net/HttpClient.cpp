#include "net/HttpClient.h"

#include "foundation/Error.h"
#include "foundation/SecretMask.h"
#include "net/Transport.h"

#include <QThreadPool>

namespace varno {

void requireHttpTransport()
{
    transportEntry();
}

void preloadHttpTransport()
{
    QThreadPool::globalInstance()->start([] {
        try {
            transportEntry();
        } catch (const VarnoError&) { // told again by the first client
        }
    });
}

HttpClient::HttpClient(const HttpClientOptions& options) : abandoned_(options.abandoned)
{
    std::string failure;
    transport_.reset(transportEntry()(&options, &failure));
    if (!transport_) {
        throw VarnoError(failure);
    }
}

HttpClient::~HttpClient() = default;

HttpResponse HttpClient::send(const HttpRequest& request)
{
    if (request.credentials) {
        keepSecret(request.credentials->user, request.credentials->password);
    }
    for (const HttpHeader& header : request.originHeaders) {
        keepSecret(header.value);
    }
    std::string failure;
    std::optional<HttpResponse> response = transport_->send(request, failure);
    if (!response && abandoned_ && abandoned_()) {
        throw TransferAbandoned{};
    }
    if (!response) {
        throw VarnoError(failure);
    }
    return std::move(*response);
}

ProbeFacts HttpClient::probe(const std::string& url)
{
    ProbeFacts facts;
    transport_->probe(url, facts);
    if (facts.failedAt != ProbeFacts::Step::None && abandoned_ && abandoned_()) {
        throw TransferAbandoned{};
    }
    return facts;
}

} // namespace varno
