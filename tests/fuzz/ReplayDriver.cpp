// Drives a libFuzzer entry point without libFuzzer: the files named on the command line (a crash
// reproducer, or every file of a corpus folder) first, then a fixed number of pseudo-random inputs
// from a fixed seed, some of them mutations of the previous one, so that every build exercises the
// reader the same way.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        if (!fs::is_directory(argv[i])) {
            files.emplace_back(argv[i]);
            continue;
        }
        std::vector<fs::path> folder;
        for (const fs::directory_entry& entry : fs::directory_iterator(argv[i]))
            if (entry.is_regular_file())
                folder.push_back(entry.path());
        if (folder.empty()) {
            std::fprintf(stderr, "%s: an empty corpus\n", argv[i]);
            return 1;
        }
        std::sort(folder.begin(), folder.end());
        files.insert(files.end(), folder.begin(), folder.end());
    }
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "%s: cannot be read\n", file.c_str());
            return 1;
        }
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::mt19937 rng(20261207);
    std::vector<uint8_t> input;
    const int kRuns = 20000;
    for (int run = 0; run < kRuns; ++run) {
        if (input.empty() || rng() % 4 == 0) {
            input.resize(rng() % 2048);
            for (auto& b : input)
                b = static_cast<uint8_t>(rng());
        } else {
            // Mutate: flip bytes, cut or extend, so that mostly-valid inputs get explored too.
            switch (rng() % 3) {
            case 0:
                input[rng() % input.size()] = static_cast<uint8_t>(rng());
                break;
            case 1:
                input.resize(rng() % (input.size() + 1));
                break;
            default:
                input.push_back(static_cast<uint8_t>(rng()));
                break;
            }
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%zu corpus inputs and %d generated inputs replayed\n", files.size(), kRuns);
    return 0;
}
