#include "net/ModuleFile.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <elf.h>
#endif

#include <algorithm>
#include <cstddef>

namespace varno {
namespace {

// Reads parts of a file by offset; a part that does not lie wholly within it reads as nothing.
class FileParts {
public:
    explicit FileParts(const std::filesystem::path& file) : stream_(file, std::ios::binary)
    {
        std::error_code failed;
        size_ = std::filesystem::file_size(file, failed);
        if (failed) {
            size_ = 0;
        }
    }

    bool within(std::uint64_t offset, std::uint64_t length) const
    {
        return offset <= size_ && length <= size_ - offset;
    }

    template <typename T> std::optional<T> read(std::uint64_t offset)
    {
        std::vector<char> bytes = readBytes(offset, sizeof(T));
        if (bytes.size() != sizeof(T)) {
            return std::nullopt;
        }
        T value;
        std::memcpy(&value, bytes.data(), sizeof(T));
        return value;
    }

    std::vector<char> readBytes(std::uint64_t offset, std::uint64_t length)
    {
        constexpr std::uint64_t kLongestRead = 1U << 20; // headers and a stamp, never more
        if (!stream_ || !within(offset, length) || length > kLongestRead) {
            return {};
        }
        std::vector<char> bytes(static_cast<std::size_t>(length));
        stream_.seekg(static_cast<std::streamoff>(offset));
        stream_.read(bytes.data(), static_cast<std::streamsize>(length));
        return stream_ ? bytes : std::vector<char>();
    }

private:
    std::ifstream stream_;
    std::uint64_t size_ = 0;
};

#ifdef _WIN32
// A PE image: its headers, then each section's raw data, within the file.
ModuleFile readModuleParts(FileParts& file)
{
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
#else
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

// An ELF shared object of this machine's class: its program headers and every segment they load, its
// section headers and every section with contents, within the file.
ModuleFile readModuleParts(FileParts& file)
{
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
#endif

} // namespace

ModuleFile readModuleFile(const std::filesystem::path& file)
{
    FileParts parts(file);
    return readModuleParts(parts);
}

} // namespace varno
