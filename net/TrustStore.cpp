#include "net/TrustStore.h"

#include "foundation/Owned.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <filesystem>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// wincrypt.h needs windows.h first.
#include <wincrypt.h>
#endif

namespace varno {
namespace {

using Bio = Owned<BIO, BIO_free>;
using Certificate = Owned<X509, X509_free>;
#ifdef _WIN32
using SystemStore = Owned<void, +[](HCERTSTORE roots) { CertCloseStore(roots, 0); }>;
#endif

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

void addSystemCertificates(X509_STORE* store, [[maybe_unused]] const SystemRoots& system)
{
#ifdef _WIN32
    // Windows keeps its trusted roots in its certificate store, not in a file.
    const SystemStore roots(CertOpenSystemStoreW(0, L"ROOT"));
    if (!roots) {
        return;
    }
    // The enumeration frees each entry as it moves to the next.
    for (PCCERT_CONTEXT entry = CertEnumCertificatesInStore(roots.get(), nullptr); entry != nullptr;
         entry = CertEnumCertificatesInStore(roots.get(), entry)) {
        const unsigned char* der = entry->pbCertEncoded;
        const Certificate certificate(d2i_X509(nullptr, &der, static_cast<long>(entry->cbCertEncoded)));
        if (certificate) {
            X509_STORE_add_cert(store, certificate.get());
        }
    }
#else
    std::error_code noFolder;
    if (system.folder != nullptr && std::filesystem::is_directory(system.folder, noFolder) &&
        X509_STORE_load_path(store, system.folder) == 1) {
        return;
    }
    if (system.bundle != nullptr) {
        X509_STORE_load_file(store, system.bundle);
    }
#endif
    ERR_clear_error();
}

} // namespace

TrustedStore newTrustedStore(const std::string& extraCaCertificates, const SystemRoots& system)
{
    TrustedStore store(X509_STORE_new());
    if (store) {
        addSystemCertificates(store.get(), system);
        addPemCertificates(store.get(), extraCaCertificates);
    }
    return store;
}

} // namespace varno
