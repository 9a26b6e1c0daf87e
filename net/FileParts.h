#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace varno {

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

} // namespace varno
