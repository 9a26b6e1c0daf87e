#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace varno {

// A loadable module (ELF shared object, or PE DLL on Windows) as its file says, read before any loader
// maps it, so that none of its code runs and a cut file cannot fault inside the loader (a mapped page
// past the file's end raises SIGBUS).
struct ModuleFile {
    bool whole = false;               // every header, segment and section it declares lies within the file
    std::optional<std::string> stamp; // the contents of its stamp section, when whole and present
};

// The section a module's stamp is put in (at most 8 characters: a PE image keeps no longer names).
inline constexpr const char* kStampSection = ".vstamp";

ModuleFile readModuleFile(const std::filesystem::path& path);

// The module loaded by the system, for the process's life; null when it is refused, with the reason in
// French and the system's own words (one file per platform, as readModuleFile).
void* loadModule(const std::filesystem::path& file, std::string& refusal);

// An entry the loaded module exports; null when it has none.
void* moduleSymbol(void* module, const char* name);

} // namespace varno
