#include "ConfiguratorApi.h"

namespace varno {

HttpClientOptions apiClientOptions(const Endpoints& endpoints)
{
    HttpClientOptions options;
    options.accept = kApiAccept;
    options.extraCaBundle = endpoints.caBundle;
    return options;
}

void applyApiRequestSettings(HttpClient& client, const ApiAccount& account)
{
    client.setBasicAuthentication(account.userName, account.password);
    client.clearCustomHeaders();
    client.addCustomHeader(kIssuerHeader, account.issuerKey);
    client.setContentType(kApiContentType);
}

} // namespace varno
