// The program's way to the transfers: the transport library, loaded from the program's own folder.
#include "net/Transport.h"

#include "foundation/Error.h"
#include "foundation/FilePath.h"
#include "net/ModuleFile.h"

#include <filesystem>
#include <mutex>
#include <string_view>

namespace varno {
namespace {

std::string transportFault(const std::string& what)
{
    return damagedInstallation("Le composant réseau du programme (" + std::string(VARNO_TRANSPORT_FILE_NAME) + ")",
                               what);
}

// The transport library is taken from the program's own folder and nowhere else: not from a path the
// build knew, not from the search path, where anyone may plant a library, not through a link at its
// name. Its file is read first: one that is cut short or that another build made is a damaged
// installation, never loaded (no code of it runs), never a reason to look elsewhere. On Windows its own
// DLLs come from that folder and System32 only.
CreateTransport loadTransport()
{
    const std::filesystem::path folder = programFolder();
    if (folder.empty() || !folder.is_absolute()) {
        throw VarnoError(transportFault("est introuvable : le dossier du programme n'a pas pu être déterminé"));
    }
    const std::filesystem::path module = folder / VARNO_TRANSPORT_FILE_NAME;
    std::error_code ignored;
    if (isLink(module)) {
        throw VarnoError(transportFault("est un lien vers un autre emplacement au lieu d'un fichier"));
    }
    if (!std::filesystem::is_regular_file(module, ignored)) {
        throw VarnoError(transportFault("est absent du dossier du programme"));
    }
    const ModuleFile file = readModuleFile(module);
    if (!file.whole) {
        throw VarnoError(transportFault("ne peut pas être chargé : le fichier est endommagé ou n'est pas fait pour ce "
                                        "système (fichier incomplet ou d'un autre format)"));
    }
    if (file.stamp != VARNO_TRANSPORT_ABI) {
        throw VarnoError(transportFault("ne provient pas de cette version du programme"));
    }
    std::string refusal;
    void* const library = loadModule(module, refusal);
    if (library == nullptr) {
        throw VarnoError(transportFault("ne peut pas être chargé : " + refusal));
    }
    // Kept for the process's life. The stamp it gives must be the one its file holds.
    const auto abi = reinterpret_cast<TransportAbi>(moduleSymbol(library, "varnoTransportAbi"));
    const auto entry = reinterpret_cast<CreateTransport>(moduleSymbol(library, "varnoCreateTransport"));
    if (abi == nullptr || entry == nullptr || std::string_view(abi()) != VARNO_TRANSPORT_ABI) {
        throw VarnoError(transportFault("ne provient pas de cette version du programme"));
    }
    return entry;
}

} // namespace

// Loaded once; a failure is told again to whoever asks.
CreateTransport transportEntry()
{
    static std::once_flag loaded;
    static CreateTransport entry = nullptr;
    static std::string failure;
    std::call_once(loaded, [] {
        try {
            entry = loadTransport();
        } catch (const VarnoError& error) {
            failure = error.what();
        }
    });
    if (entry == nullptr) {
        throw VarnoError(failure);
    }
    return entry;
}

} // namespace varno
