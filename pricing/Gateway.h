#pragma once

#include <string>
#include <vector>

namespace varno {

inline constexpr const char* kGatewayPath = "/index.php/Services/jeton";

// What the gateway answers a login with.
struct GatewayLogin {
    std::string token;         // "Jeton"
    std::string connectionUrl; // "UrlConnexion": the configurator page, opened in the browser
    std::string retrievalUrl;  // "UrlRecuperation": where the finished pricing is fetched

    // All three present, and the page to open a web address: anything else (a file, a program) must
    // never reach the desktop's "open".
    bool isComplete() const;
};

// The login request: the keys email, mdp, passerelle and, only for a quote to reopen, jeton, in that
// order. Each value is percent-encoded on its own (UTF-8), so any password reaches the gateway intact.
std::string gatewayLoginUrl(const std::string& gatewayUrl, const std::string& userLogin,
                            const std::string& userPassword, const std::string& brand, const std::string& quoteId);

// Reads the answer's "Configurateur" element; an answer with another root gives empty values. Throws
// VarnoError when the answer is not XML.
GatewayLogin readGatewayAnswer(const std::string& answer);

// The failure message: a heading line ended by LF, then each failure line ended by CR LF.
std::string gatewayFailureMessage(const std::string& brand, const std::vector<std::string>& errorLines);

} // namespace varno
