// The floor an export run is measured against: the same file creations and
// byte copies, and nothing else. Reads a list of copies, one per line,
//   <package path> TAB <offset> TAB <size> TAB <output path>
// keeps the current package open across lines, and for each line seeks, reads
// the bytes and writes them to a new output file.
//
//   floor_copy [--whole] [--piece BYTES] LIST
//
// By default each copy goes through one buffer of its whole size (an
// in-memory copy; the buffer is kept and grown, never cleared). With --piece
// the bytes stream through one buffer of BYTES (a streaming copy). The buffer
// starts on a page boundary, as Snd_Pull's does: where a copy's destination
// lies relative to the stream's buffer changes its speed several times over
// on common processors, and the floor should not win or lose by that.
//
// --whole makes each output appear whole or not at all, the cheapest way the
// system offers: written under a temporary name beside it, then renamed over
// it. That is the floor of an export whose outputs may never be seen half
// written; on a tmpfs the rename alone costs about half of what the plain
// copy does.
#include <charconv>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <string_view>

namespace {

constexpr std::align_val_t kPage{4096};

struct PageRelease {
    void operator()(char* bytes) const { ::operator delete[](bytes, kPage); }
};

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t piece = 0;
    bool whole = false;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "--whole") == 0) {
        whole = true;
        ++arg;
    }
    if (arg + 1 < argc && std::strcmp(argv[arg], "--piece") == 0) {
        piece = std::stoull(argv[arg + 1]);
        if (piece == 0) arg = argc;
        arg += 2;
    }
    if (argc != arg + 1) {
        std::fputs("usage: floor_copy [--whole] [--piece BYTES] LIST\n", stderr);
        return 2;
    }
    std::ifstream list(argv[arg], std::ios::binary);
    if (!list) {
        std::fprintf(stderr, "floor_copy: cannot read %s\n", argv[arg]);
        return 1;
    }
    std::string openPath;
    std::ifstream package;
    std::unique_ptr<char, PageRelease> buffer;
    std::uint64_t capacity = 0;
    int status = 0;
    std::string line;
    while (std::getline(list, line)) {
        // Four fields split in place: no stream per line, as the work to time
        // is the copies.
        const std::string_view text = line;
        const std::size_t tab1 = text.find('\t');
        const std::size_t tab2 = text.find('\t', tab1 + 1);
        const std::size_t tab3 = text.find('\t', tab2 + 1);
        if (tab1 == text.npos || tab2 == text.npos || tab3 == text.npos) continue;
        const std::string_view path = text.substr(0, tab1);
        std::uint64_t offset = 0;
        std::uint64_t size = 0;
        std::from_chars(text.data() + tab1 + 1, text.data() + tab2, offset);
        std::from_chars(text.data() + tab2 + 1, text.data() + tab3, size);
        const std::string output(text.substr(tab3 + 1));
        if (path != openPath) {
            package.close();
            package.clear();
            openPath = path;
            package.open(openPath, std::ios::binary);
        }
        std::uint64_t left = size;
        const std::uint64_t step = piece != 0 ? std::min(piece, left) : left;
        if (step > capacity) {
            buffer.reset();
            buffer.reset(static_cast<char*>(::operator new[](step, kPage)));
            capacity = step;
        }
        package.clear();
        package.seekg(static_cast<std::streamoff>(offset));
        const std::string written = whole ? output + ".floor-tmp" : output;
        std::ofstream out(written, std::ios::binary | std::ios::trunc);
        while (left > 0) {
            const std::uint64_t now = std::min(step, left);
            package.read(buffer.get(), static_cast<std::streamsize>(now));
            out.write(buffer.get(), package.gcount());
            if (static_cast<std::uint64_t>(package.gcount()) != now) break;
            left -= now;
        }
        out.close();
        if (whole && std::rename(written.c_str(), output.c_str()) != 0) out.setstate(std::ios::failbit);
        if (left != 0 || out.fail()) {
            std::fprintf(stderr, "floor_copy: short copy to %s\n", output.c_str());
            status = 1;
        }
    }
    return status;
}
