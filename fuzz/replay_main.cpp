// The fuzz targets without libFuzzer: runs each input once, so that the seed
// corpus and every finding replay as regression tests in every build.
//   replay_TARGET PATH...   (each PATH a file, or a folder of them)
// A broken property aborts, as under the fuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        if (fs::is_directory(argv[i], error)) {
            for (const auto& e : fs::recursive_directory_iterator(argv[i]))
                if (e.is_regular_file() && e.path().filename().string()[0] != '.') inputs.push_back(e.path());
        } else if (fs::is_regular_file(argv[i], error)) {
            inputs.push_back(argv[i]);
        } else {
            std::fprintf(stderr, "replay: no input %s\n", argv[i]);
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& path : inputs) {
        std::fprintf(stderr, "replay: %s\n", path.c_str());
        std::ifstream in(path, std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(in), {});
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
