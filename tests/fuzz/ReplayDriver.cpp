// Drives a libFuzzer entry point without libFuzzer: a fixed number of pseudo-random inputs,
// some of them mutations of the previous one, so that every build exercises the reader.
// Files named on the command line are replayed first (a crash reproducer, a corpus).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
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
    std::printf("%d inputs replayed\n", kRuns + argc - 1);
    return 0;
}
