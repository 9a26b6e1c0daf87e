#include "net/HttpClient.h"

#include "foundation/Error.h"
#include "net/Transport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QThreadPool>

#include <mutex>

namespace varno {
namespace {

// The transport library: beside the executable (an installed program), else where the build made it
// (the tests). Loaded once, and kept for the process's life.
CreateTransport transportEntry()
{
    static std::once_flag loaded;
    static CreateTransport entry = nullptr;
    static QString tried;
    std::call_once(loaded, [] {
        QStringList candidates;
        if (QCoreApplication::instance() != nullptr) {
            candidates << QDir(QCoreApplication::applicationDirPath()).filePath(VARNO_TRANSPORT_FILE_NAME);
        }
        candidates << QString::fromUtf8(VARNO_TRANSPORT_BUILD_PATH);
        static auto* const library = new QLibrary; // kept, and its library loaded, for the process's life
        for (const QString& candidate : candidates) {
            if (!QFileInfo::exists(candidate)) {
                continue;
            }
            library->setFileName(candidate);
            library->setLoadHints(QLibrary::PreventUnloadHint);
            entry = reinterpret_cast<CreateTransport>(library->resolve("varnoCreateTransport"));
            if (entry != nullptr) {
                return;
            }
            tried = library->errorString();
        }
    });
    if (entry == nullptr) {
        throw VarnoError("Le composant réseau du programme (" + std::string(VARNO_TRANSPORT_FILE_NAME) +
                         ") est introuvable ou illisible" + (tried.isEmpty() ? "" : " : " + tried.toStdString()) +
                         ". Réinstallez le programme.");
    }
    return entry;
}

} // namespace

void preloadHttpTransport()
{
    QThreadPool::globalInstance()->start([] {
        try {
            transportEntry();
        } catch (const VarnoError&) { // told again by the first client
        }
    });
}

HttpClient::HttpClient(const HttpClientOptions& options)
{
    std::string failure;
    transport_.reset(transportEntry()(&options, &failure));
    if (!transport_) {
        throw VarnoError(failure);
    }
}

HttpClient::~HttpClient() = default;

HttpResponse HttpClient::send(const HttpRequest& request)
{
    std::string failure;
    std::optional<HttpResponse> response = transport_->send(request, failure);
    if (!response) {
        throw VarnoError(failure);
    }
    return std::move(*response);
}

} // namespace varno
