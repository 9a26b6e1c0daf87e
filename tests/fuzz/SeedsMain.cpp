// A fuzz target run over its seeds, each file once, as an ordinary test: a case that fuzzing found and
// that was fixed stays fixed with every compiler, not only with the one the fuzz run uses.
//   <target>Seeds <folder or file>...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    std::vector<std::filesystem::path> seeds;
    for (int index = 1; index < argc; ++index) {
        const std::filesystem::path given(argv[index]);
        if (std::filesystem::is_directory(given)) {
            for (const auto& entry : std::filesystem::directory_iterator(given)) {
                seeds.push_back(entry.path());
            }
        } else {
            seeds.push_back(given);
        }
    }
    std::sort(seeds.begin(), seeds.end());
    for (const std::filesystem::path& seed : seeds) {
        std::ifstream in(seed, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::printf("%s (%zu bytes)\n", seed.filename().string().c_str(), bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "no seed given\n");
        return 1;
    }
    return 0;
}
