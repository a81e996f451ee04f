// The floor an export run is measured against: the same file creations and
// byte copies, and nothing else. Reads a list of copies, one per line,
//   <package path> TAB <offset> TAB <size> TAB <output path>
// keeps the current package open across lines, and for each line seeks, reads
// the bytes and writes them to a new output file.
//
//   floor_copy [--piece BYTES] LIST
//
// By default each copy goes through one buffer of its whole size (an
// in-memory copy; the buffer is kept and grown, never cleared). With --piece
// the bytes stream through one buffer of BYTES (a streaming copy).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    std::uint64_t piece = 0;
    int arg = 1;
    if (argc == 4 && std::string(argv[1]) == "--piece") {
        piece = std::stoull(argv[2]);
        arg = 3;
    }
    if (argc != arg + 1 || (arg == 3 && piece == 0)) {
        std::fputs("usage: floor_copy [--piece BYTES] LIST\n", stderr);
        return 2;
    }
    std::ifstream list(argv[arg], std::ios::binary);
    if (!list) {
        std::fprintf(stderr, "floor_copy: cannot read %s\n", argv[arg]);
        return 1;
    }
    std::string openPath;
    std::ifstream package;
    std::unique_ptr<char[]> buffer;
    std::uint64_t capacity = 0;
    int status = 0;
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
        std::uint64_t left = std::stoull(size);
        const std::uint64_t step = piece != 0 ? std::min(piece, left) : left;
        if (step > capacity) {
            buffer = std::make_unique_for_overwrite<char[]>(step);
            capacity = step;
        }
        package.clear();
        package.seekg(static_cast<std::streamoff>(std::stoull(offset)));
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        while (left > 0) {
            const std::uint64_t now = std::min(step, left);
            package.read(buffer.get(), static_cast<std::streamsize>(now));
            out.write(buffer.get(), package.gcount());
            if (static_cast<std::uint64_t>(package.gcount()) != now) break;
            left -= now;
        }
        out.close();
        if (left != 0 || out.fail()) {
            std::fprintf(stderr, "floor_copy: short copy to %s\n", output.c_str());
            status = 1;
        }
    }
    return status;
}
