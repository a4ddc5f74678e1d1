// Replays files through a fuzz target without libFuzzer: each argument is a
// file or a folder of files, each file one input. The ordinary test run uses
// it on the kept regressions and on the seeds the build makes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *donnees, std::size_t taille);

namespace fs = std::filesystem;

int main(int argc, char **argv) {
    std::vector<fs::path> fichiers;
    for (int i = 1; i < argc; ++i) {
        const fs::path p = argv[i];
        if (fs::is_directory(p)) {
            for (const auto &e : fs::recursive_directory_iterator(p))
                if (e.is_regular_file() && e.path().filename() != "README.md") fichiers.push_back(e.path());
        } else if (fs::exists(p)) {
            fichiers.push_back(p);
        }  // a target without kept regressions has no folder

    }
    for (const fs::path &f : fichiers) {
        std::ifstream in(f, std::ios::binary);
        const std::vector<uint8_t> octets{std::istreambuf_iterator<char>(in), {}};
        LLVMFuzzerTestOneInput(octets.data(), octets.size());
    }
    std::printf("%zu entrées rejouées\n", fichiers.size());
    return 0;
}
