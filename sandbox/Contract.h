#pragma once

#include <string>

namespace varno::sandbox {

// What the contract with the program fixes, written down on the sandbox's side: the program keeps its
// own copy, so that neither builds the other's mistake into both.

inline constexpr const char* kIssuerHeader = "Zedir-Issuer";
inline constexpr const char* kGatewayPath = "/index.php/Services/jeton";
inline constexpr const char* kQuotationRecordsPath = "/api/v2.0/quotation-records/";
inline constexpr const char* kCheckQuotationRecordsPath = "/api/v1.1/createorderprocess/checkquotationrecords";
inline constexpr const char* kCreateOrderPath = "/api/v1.1/createorderprocess/createorder";

// The account the API accepts: Basic credentials and the issuer header's value.
struct ApiCredentials {
    std::string userName;
    std::string password;
    std::string issuerKey;
};

} // namespace varno::sandbox
