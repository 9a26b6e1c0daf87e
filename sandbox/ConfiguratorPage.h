#pragma once

#include "sandbox/Catalogue.h"
#include "sandbox/Store.h"

#include <string>

namespace varno::sandbox {

// The configurator page where a person prices one product of the brand's catalogue.
std::string configuratorPage(const Session& session, const Choice& choice, const std::string& error);

// The page after "Valider le chiffrage".
std::string confirmationPage(const Session& session, long long recordId, const std::string& productName);

// A short page for addresses that name nothing.
std::string messagePage(const std::string& title, const std::string& text);

std::string escapeHtml(const std::string& text);

} // namespace varno::sandbox
