#include "net/TrustStore.h"

#include "foundation/Owned.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <filesystem>

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

void addPemCertificates(X509_STORE* store, const std::string& pem)
{
    const Bio bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    while (bio) {
        const Certificate certificate(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
        if (!certificate) {
            break;
        }
        X509_STORE_add_cert(store, certificate.get()); // a certificate already present is not an error
    }
    ERR_clear_error(); // the end of the PEM text leaves an error on the queue
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

X509_STORE* newTrustedStore(const std::string& extraCaCertificates, const SystemRoots& system)
{
    X509_STORE* store = X509_STORE_new();
    if (store != nullptr) {
        addSystemCertificates(store, system);
        addPemCertificates(store, extraCaCertificates);
    }
    return store;
}

} // namespace varno
