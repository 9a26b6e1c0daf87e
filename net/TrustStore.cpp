#include "net/TrustStore.h"

#include "foundation/Owned.h"
#include "net/SystemRoots.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <string_view>
#include <vector>

namespace varno {
namespace {

using Bio = Owned<BIO, BIO_free>;
using Certificate = Owned<X509, X509_free>;

// The bundle's certificates, read as the build's check read it: every PEM block a CERTIFICATE without
// headers (an encrypted one would ask for a pass phrase) holding exactly one certificate, text between
// blocks a comment. One block that is anything else, and none is taken: nothing is trusted that the
// check did not see.
std::vector<Certificate> bundleCertificates(const std::string& pem)
{
    std::vector<Certificate> certificates;
    const Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    char* name = nullptr;
    char* header = nullptr;
    unsigned char* data = nullptr;
    long length = 0;
    bool whole = bio != nullptr;
    while (whole && PEM_read_bio(bio.get(), &name, &header, &data, &length) == 1) {
        const unsigned char* der = data;
        Certificate certificate(
            std::string_view(name) == PEM_STRING_X509 && *header == '\0' ? d2i_X509(nullptr, &der, length) : nullptr);
        whole = certificate && der == data + length;
        certificates.push_back(std::move(certificate));
        for (void* const part : {static_cast<void*>(name), static_cast<void*>(header), static_cast<void*>(data)}) {
            CRYPTO_free(part, "", 0); // OPENSSL_free would write this file's path into the program
        }
    }
    // The end of the text leaves "no start line" on the queue; anything else is a block cut short.
    whole = whole && ERR_GET_REASON(ERR_peek_last_error()) == PEM_R_NO_START_LINE;
    ERR_clear_error();
    return whole ? std::move(certificates) : std::vector<Certificate>{};
}

void addPemCertificates(X509_STORE* store, const std::string& pem)
{
    for (const Certificate& certificate : bundleCertificates(pem)) {
        X509_STORE_add_cert(store, certificate.get()); // a certificate already present is not an error
    }
}

} // namespace

TrustedStore newTrustedStore(const std::string& extraCaCertificates, const SystemRoots& system)
{
    TrustedStore store(X509_STORE_new());
    if (store) {
        addSystemRoots(store.get(), system);
        addPemCertificates(store.get(), extraCaCertificates);
    }
    return store;
}

} // namespace varno
