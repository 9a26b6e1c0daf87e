// Loadable modules on Windows: a PE DLL read before the loader maps it, then loaded from its own
// folder and System32 only.
#include "net/FileParts.h"
#include "net/ModuleFile.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include <windows.h>

namespace varno {

// A PE image: its headers, then each section's raw data, within the file.
ModuleFile readModuleFile(const std::filesystem::path& path)
{
    FileParts file(path);
    ModuleFile module;
    const auto dos = file.read<IMAGE_DOS_HEADER>(0);
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0) {
        return module;
    }
    const auto nt = file.read<IMAGE_NT_HEADERS64>(static_cast<std::uint64_t>(dos->e_lfanew));
    if (!nt || nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC ||
        !file.within(0, nt->OptionalHeader.SizeOfHeaders)) {
        return module;
    }
    const std::uint64_t sections = static_cast<std::uint64_t>(dos->e_lfanew) +
                                   offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader;
    std::optional<IMAGE_SECTION_HEADER> stampSection;
    for (WORD index = 0; index < nt->FileHeader.NumberOfSections; ++index) {
        const auto section = file.read<IMAGE_SECTION_HEADER>(sections + index * sizeof(IMAGE_SECTION_HEADER));
        if (!section || !file.within(section->PointerToRawData, section->SizeOfRawData)) {
            return module;
        }
        const std::string_view name(reinterpret_cast<const char*>(section->Name),
                                    strnlen(reinterpret_cast<const char*>(section->Name), IMAGE_SIZEOF_SHORT_NAME));
        if (name == kStampSection) {
            stampSection = section;
        }
    }
    module.whole = true;
    if (stampSection) {
        const std::vector<char> bytes = file.readBytes(
            stampSection->PointerToRawData, std::min(stampSection->Misc.VirtualSize, stampSection->SizeOfRawData));
        module.stamp = std::string(bytes.data(), strnlen(bytes.data(), bytes.size()));
    }
    return module;
}

void* loadModule(const std::filesystem::path& file, std::string& refusal)
{
    HMODULE module =
        LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
        const DWORD code = GetLastError();
        const char* reason = code == ERROR_MOD_NOT_FOUND ? "une bibliothèque dont il a besoin est absente"
                             : code == ERROR_BAD_EXE_FORMAT || code == ERROR_BAD_FORMAT
                                 ? "le fichier est endommagé ou n'est pas fait pour ce système"
                             : code == ERROR_ACCESS_DENIED ? "l'accès au fichier est refusé"
                                                           : "Windows refuse de le charger";
        refusal = std::string(reason) + " (erreur " + std::to_string(code) + ")";
    }
    return reinterpret_cast<void*>(module);
}

void* moduleSymbol(void* module, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

} // namespace varno
