// The system's trusted roots outside Windows: the folder or bundle curl was built to read.
#include "net/SystemRoots.h"

#include <openssl/err.h>

#include <filesystem>

namespace varno {

void addSystemRoots(X509_STORE* store, const SystemRoots& where)
{
    std::error_code noFolder;
    if (where.folder != nullptr && std::filesystem::is_directory(where.folder, noFolder) &&
        X509_STORE_load_path(store, where.folder) == 1) {
        ERR_clear_error();
        return;
    }
    if (where.bundle != nullptr) {
        X509_STORE_load_file(store, where.bundle);
    }
    ERR_clear_error();
}

bool systemVouchesFor(X509_STORE_CTX*, const std::string&)
{
    return false;
}

} // namespace varno
