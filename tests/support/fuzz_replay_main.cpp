// Runs a fuzz entry point without libFuzzer: over every file named on the
// command line (folders are walked), then over a fixed batch of generated
// inputs, so a plain build keeps each harness compiling and exercised.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t files = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path arg(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(arg, ec)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(arg, ec)) {
                if (entry.is_regular_file()) {
                    RunFile(entry.path());
                    ++files;
                }
            }
        } else if (std::filesystem::exists(arg, ec)) {
            RunFile(arg);
            ++files;
        }
    }
    // Seeded, so a failure here reproduces on every run.
    std::mt19937 rng(12345);
    std::vector<uint8_t> buf;
    for (int round = 0; round < 2000; ++round) {
        buf.resize(rng() % 4096);
        for (auto& b : buf) {
            b = static_cast<uint8_t>(rng());
        }
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::printf("replayed %zu files and 2000 generated inputs\n", files);
    return 0;
}
