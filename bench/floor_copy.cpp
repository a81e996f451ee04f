// The floor an export run is measured against: the same file creations and
// byte copies, and nothing else. Reads a list of copies, one per line,
//   <package path> TAB <offset> TAB <size> TAB <output path>
// keeps the current package open across lines, and for each line seeks,
// reads `size` bytes into one buffer and writes them to a new output file.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: floor_copy LIST\n";
        return 2;
    }
    std::ifstream list(argv[1], std::ios::binary);
    if (!list) {
        std::cerr << "floor_copy: cannot read " << argv[1] << "\n";
        return 1;
    }
    std::string openPath;
    std::ifstream package;
    std::vector<char> buffer;
    for (std::string line; std::getline(list, line);) {
        std::istringstream fields(line);
        std::string path, offset, size, output;
        if (!std::getline(fields, path, '\t') || !std::getline(fields, offset, '\t') ||
            !std::getline(fields, size, '\t') || !std::getline(fields, output))
            continue;
        if (path != openPath) {
            package.close();
            package.clear();
            package.open(path, std::ios::binary);
            openPath = path;
        }
        const std::uint64_t count = std::stoull(size);
        buffer.resize(count);
        package.clear();
        package.seekg(static_cast<std::streamoff>(std::stoull(offset)));
        package.read(buffer.data(), static_cast<std::streamsize>(count));
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out.write(buffer.data(), package.gcount());
    }
    return 0;
}
