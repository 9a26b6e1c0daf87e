#pragma once

#include "sandbox/Contract.h"
#include "sandbox/Store.h"

#include <httplib.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace varno::sandbox {

// The routes of the three services the sandbox stands in for, on one server. baseUrl gives the
// server's own address once it listens.
void addGatewayRoutes(httplib::Server& server, Store& store, const std::function<std::string()>& baseUrl);
void addConfiguratorRoutes(httplib::Server& server, Store& store);
void addApiRoutes(httplib::Server& server, Store& store);

// Whether an API request carries the account's credentials and exactly one issuer header with its key;
// otherwise answers 401 or 403.
bool authorizeApi(const ApiCredentials& account, const httplib::Request& request, httplib::Response& response);

// A "Configurateur" XML document with these children, as the gateway and the retrieval document give.
std::string configurateurXml(const std::vector<std::pair<const char*, std::string>>& children);

// A record identifier from its text: whole decimal digits.
std::optional<long long> parseRecordId(const std::string& text);

} // namespace varno::sandbox
