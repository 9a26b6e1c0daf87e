// The system's trusted roots on Windows: its certificate store, and its chain engine as a second opinion.
#include "foundation/Owned.h"
#include "net/SystemRoots.h"

#include <openssl/err.h>
#include <openssl/x509_vfy.h>

#include <vector>

#include <windows.h>
// wincrypt.h needs windows.h first.
#include <wincrypt.h>

namespace varno {
namespace {

using CertificateStore = Owned<void, +[](HCERTSTORE store) { CertCloseStore(store, 0); }>;
// Errors that say only that no trusted root was found; any other fault stays a refusal.
bool lacksTrustedRoot(int error)
{
    switch (error) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return true;
    default:
        return false;
    }
}

using Certificate = Owned<const CERT_CONTEXT, CertFreeCertificateContext>;
using Chain = Owned<const CERT_CHAIN_CONTEXT, CertFreeCertificateChain>;

// Adds an OpenSSL certificate to a Windows store; the added copy, or null.
Certificate addTo(HCERTSTORE store, X509* certificate)
{
    const int size = i2d_X509(certificate, nullptr);
    if (size <= 0) {
        return nullptr;
    }
    std::vector<unsigned char> der(static_cast<std::size_t>(size));
    unsigned char* end = der.data();
    i2d_X509(certificate, &end);
    PCCERT_CONTEXT added = nullptr;
    CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                     CERT_STORE_ADD_USE_EXISTING, &added);
    return Certificate(added);
}

std::wstring wide(const std::string& text)
{
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring converted(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), converted.data(), length);
    return converted;
}

using OpenSslCertificate = Owned<X509, X509_free>;

// The root that Windows reaches from the presented chain, when its chain engine and its SSL policy for
// the host accept the chain; null otherwise.
OpenSslCertificate windowsRoot(X509* leaf, STACK_OF(X509) * presented, const std::string& host)
{
    const CertificateStore store(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    if (!store || host.empty()) {
        return nullptr;
    }
    const Certificate leafCertificate = addTo(store.get(), leaf);
    for (int index = 0; index < sk_X509_num(presented); ++index) {
        addTo(store.get(), sk_X509_value(presented, index));
    }
    if (!leafCertificate) {
        return nullptr;
    }
    LPSTR serverAuthentication = const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH);
    CERT_CHAIN_PARA request{};
    request.cbSize = sizeof request;
    request.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    request.RequestedUsage.Usage.cUsageIdentifier = 1;
    request.RequestedUsage.Usage.rgpszUsageIdentifier = &serverAuthentication;
    PCCERT_CHAIN_CONTEXT built = nullptr;
    if (!CertGetCertificateChain(nullptr, leafCertificate.get(), nullptr, store.get(), &request, 0, nullptr, &built)) {
        return nullptr;
    }
    const Chain chain(built);
    // Checked here too: Wine's SSL policy lets a chain that reaches no root at all pass.
    if (chain->TrustStatus.dwErrorStatus != CERT_TRUST_NO_ERROR || chain->cChain == 0) {
        return nullptr;
    }
    std::wstring serverName = wide(host);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA server{};
    server.cbSize = sizeof server;
    server.dwAuthType = AUTHTYPE_SERVER;
    server.pwszServerName = serverName.data();
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &server;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status) ||
        status.dwError != 0) {
        return nullptr;
    }
    const CERT_SIMPLE_CHAIN* path = chain->rgpChain[0];
    const CERT_CONTEXT* root = path->rgpElement[path->cElement - 1]->pCertContext;
    const unsigned char* der = root->pbCertEncoded;
    return OpenSslCertificate(d2i_X509(nullptr, &der, static_cast<long>(root->cbCertEncoded)));
}

// OpenSSL's verification again, with the root Windows vouches for as the one trusted: what OpenSSL
// checks beyond the root (name constraints, which Wine's chain engine ignores, usages, validity) still
// holds, so that only what both accept passes.
bool verifiesUpTo(X509* root, X509_STORE_CTX* context)
{
    const Owned<X509_STORE, X509_STORE_free> trusted(X509_STORE_new());
    const Owned<X509_STORE_CTX, X509_STORE_CTX_free> again(X509_STORE_CTX_new());
    return trusted && again && X509_STORE_add_cert(trusted.get(), root) == 1 &&
           X509_STORE_CTX_init(again.get(), trusted.get(), X509_STORE_CTX_get0_cert(context),
                               X509_STORE_CTX_get0_untrusted(context)) == 1 &&
           X509_VERIFY_PARAM_set1(X509_STORE_CTX_get0_param(again.get()), X509_STORE_CTX_get0_param(context)) == 1 &&
           X509_verify_cert(again.get()) == 1;
}
} // namespace

void addSystemRoots(X509_STORE* store, const SystemRoots&)
{
    // Windows keeps its trusted roots in its certificate store, not in a file.
    const CertificateStore roots(CertOpenSystemStoreW(0, L"ROOT"));
    if (!roots) {
        return;
    }
    // The enumeration frees each entry as it moves to the next.
    for (PCCERT_CONTEXT entry = CertEnumCertificatesInStore(roots.get(), nullptr); entry != nullptr;
         entry = CertEnumCertificatesInStore(roots.get(), entry)) {
        const unsigned char* der = entry->pbCertEncoded;
        const OpenSslCertificate certificate(d2i_X509(nullptr, &der, static_cast<long>(entry->cbCertEncoded)));
        if (certificate) {
            X509_STORE_add_cert(store, certificate.get());
        }
    }
    ERR_clear_error();
}

bool systemVouchesFor(X509_STORE_CTX* context, const std::string& host)
{
    if (!lacksTrustedRoot(X509_STORE_CTX_get_error(context))) {
        return false;
    }
    const OpenSslCertificate root =
        windowsRoot(X509_STORE_CTX_get0_cert(context), X509_STORE_CTX_get0_untrusted(context), host);
    return root && verifiesUpTo(root.get(), context); // the host checked again, by subjectAltName
}

} // namespace varno
