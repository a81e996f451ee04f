// Writes the seed corpus of every fuzz target: <root>/<target>/<seed>.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void WriteSeed(const std::filesystem::path& root, const std::string& target, const std::string& name,
               const std::string& bytes) {
    const auto folder = root / target;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path root = argv[1];

    const std::vector<std::string> indices = {
        std::string("\x05", 1), std::string("\xC0\x01", 2), std::string("\x7F\xFF\xFF\xFF\x1F", 5),
        std::string("\x40\x80\x80\x80\x80\x05", 6)};
    for (std::size_t i = 0; i < indices.size(); ++i)
        WriteSeed(root, "fuzz_compact_index", "index" + std::to_string(i), indices[i]);
    return 0;
}
