// Runs a fuzz target once over every file of a corpus folder, without libFuzzer: the fuzz
// target's regression test in an ordinary build. A failure shows as a crash or an escaping
// exception, as it would under the fuzzer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " CORPUS-FOLDER\n";
        return 2;
    }
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[1], error)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    if (error) {
        std::cerr << argv[1] << ": " << error.message() << '\n';
        return 2;
    }
    // A stable order, so that a failure is easy to rerun.
    std::ranges::sort(files);
    for (const auto& path : files) {
        std::ifstream file(path, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                              std::istreambuf_iterator<char>()};
        if (!file.good() && !file.eof()) {
            std::cerr << path.string() << ": cannot be read\n";
            return 1;
        }
        std::cout << path.filename().string() << '\n' << std::flush;
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::cout << "ran " << files.size() << " inputs\n";
    // An empty or missing corpus would make the test pass without testing anything.
    return files.empty() ? 1 : 0;
}
