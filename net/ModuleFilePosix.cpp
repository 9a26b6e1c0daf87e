// Loadable modules outside Windows: an ELF shared object read before the loader maps it, then loaded
// by its path.
#include "net/FileParts.h"
#include "net/ModuleFile.h"

#include <dlfcn.h>
#include <elf.h>

namespace varno {
namespace {

#if UINTPTR_MAX > 0xFFFFFFFFU
using ElfHeader = Elf64_Ehdr;
using ProgramHeader = Elf64_Phdr;
using SectionHeader = Elf64_Shdr;
constexpr unsigned char kElfClass = ELFCLASS64;
#else
using ElfHeader = Elf32_Ehdr;
using ProgramHeader = Elf32_Phdr;
using SectionHeader = Elf32_Shdr;
constexpr unsigned char kElfClass = ELFCLASS32;
#endif

} // namespace

// An ELF shared object of this machine's class: its program headers and every segment they load, its
// section headers and every section with contents, within the file.
ModuleFile readModuleFile(const std::filesystem::path& path)
{
    FileParts file(path);
    ModuleFile module;
    const auto header = file.read<ElfHeader>(0);
    if (!header || std::memcmp(&header->e_ident[0], ELFMAG, SELFMAG) != 0 || header->e_ident[EI_CLASS] != kElfClass ||
        header->e_phentsize != sizeof(ProgramHeader) || header->e_shentsize != sizeof(SectionHeader)) {
        return module;
    }
    for (std::uint64_t index = 0; index < header->e_phnum; ++index) {
        const auto segment = file.read<ProgramHeader>(header->e_phoff + index * sizeof(ProgramHeader));
        if (!segment || (segment->p_type == PT_LOAD && !file.within(segment->p_offset, segment->p_filesz))) {
            return module;
        }
    }
    std::vector<SectionHeader> sections;
    for (std::uint64_t index = 0; index < header->e_shnum; ++index) {
        const auto section = file.read<SectionHeader>(header->e_shoff + index * sizeof(SectionHeader));
        if (!section || (section->sh_type != SHT_NOBITS && !file.within(section->sh_offset, section->sh_size))) {
            return module;
        }
        sections.push_back(*section);
    }
    module.whole = true;
    if (header->e_shstrndx >= sections.size()) {
        return module;
    }
    const SectionHeader& names = sections[header->e_shstrndx];
    for (const SectionHeader& section : sections) {
        const std::vector<char> name =
            file.readBytes(names.sh_offset + section.sh_name, std::strlen(kStampSection) + 1);
        if (section.sh_name < names.sh_size && name.size() == std::strlen(kStampSection) + 1 &&
            std::memcmp(name.data(), kStampSection, name.size()) == 0) {
            const std::vector<char> bytes = file.readBytes(section.sh_offset, section.sh_size);
            module.stamp = std::string(bytes.data(), strnlen(bytes.data(), bytes.size()));
        }
    }
    return module;
}

void* loadModule(const std::filesystem::path& file, std::string& refusal)
{
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* detail = dlerror();
        const std::string words = detail != nullptr ? detail : "";
        const auto says = [&words](const char* text) { return words.find(text) != std::string::npos; };
        const char* reason = says("Permission denied")                ? "l'accès au fichier est refusé"
                             : says("cannot open shared object file") ? "une bibliothèque dont il a besoin est absente"
                             : says("ELF") || says("file too short")
                                 ? "le fichier est endommagé ou n'est pas fait pour ce système"
                                 : "le système refuse de le charger";
        refusal = std::string(reason) + " (" + words + ")";
    }
    return module;
}

void* moduleSymbol(void* module, const char* name)
{
    return dlsym(module, name);
}

} // namespace varno
