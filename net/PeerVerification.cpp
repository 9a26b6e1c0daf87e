#include "net/PeerVerification.h"

#include "net/SystemRoots.h"

#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <string>

namespace varno {
namespace {

// The chain must name the host in its leaf's subjectAltName; the common name is never consulted, as
// browsers have done since 2017 (a CA's name constraints apply to subjectAltName, so a name carried by
// the common name alone escapes them). False when the host is not one OpenSSL can check.
bool requireHost(X509_STORE_CTX* context, const std::string& host)
{
    X509_VERIFY_PARAM* parameters = X509_STORE_CTX_get0_param(context);
    X509_VERIFY_PARAM_set_hostflags(parameters, X509_CHECK_FLAG_NEVER_CHECK_SUBJECT);
    const bool bracketed = host.size() > 2 && host.front() == '[' && host.back() == ']';
    const std::string bare = bracketed ? host.substr(1, host.size() - 2) : host;
    return !bare.empty() && (X509_VERIFY_PARAM_set1_ip_asc(parameters, bare.c_str()) == 1 ||
                             (!bracketed && X509_VERIFY_PARAM_set1_host(parameters, bare.c_str(), bare.size()) == 1));
}

} // namespace

int verifyPeerChain(X509_STORE_CTX* context, void* expectedHost)
{
    const auto* host = static_cast<const std::string*>(expectedHost);
    if (host == nullptr || !requireHost(context, *host)) {
        X509_STORE_CTX_set_error(context, X509_V_ERR_HOSTNAME_MISMATCH);
        return 0;
    }
    if (X509_verify_cert(context) == 1) {
        return 1;
    }
    if (systemVouchesFor(context, *host)) {
        X509_STORE_CTX_set_error(context, X509_V_OK);
        return 1;
    }
    return 0;
}

} // namespace varno
