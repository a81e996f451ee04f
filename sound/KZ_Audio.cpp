#include "sound/KZ_Audio.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>

#include "common/LittleEndian.h"
#include "common/Platform.h"
#include "package/CompactIndex.h"
#include "package/KZ_Package.h"
#include "wave/Audio.h"
#include "wave/ChunkIO.h"

namespace {

// How many bytes the file holds from `position` on; 0 when it cannot tell.
std::uint64_t BytesFrom(std::istream& in, std::uint64_t position) {
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    return end > 0 && static_cast<std::uint64_t>(end) > position ? static_cast<std::uint64_t>(end) - position : 0;
}

// The buffer of the last copy, kept for the next one: an export run copies
// thousands of sounds in a row, and a fresh allocation for each costs more
// than copying a small sound's bytes. A buffer grown past kKeptBuffer is let
// go after its copy, so that one large sound does not pin its size.
//
// It starts on a page boundary. The bytes come from the stream's own buffer,
// and a destination a few bytes past the source's offset within a page (as a
// buffer allocated right after the stream's lands) makes the processor take
// each load for one that depends on the store just before it: the copy of a
// small sound then ran several times slower, a tenth of an export run.
class CopyBuffer {
public:
    static constexpr std::size_t kKeptBuffer = std::size_t{1} << 20;

    // At least `size` bytes, contents undefined.
    char* Get(std::size_t size) {
        if (size > capacity_) {
            bytes_.reset();
            capacity_ = 0;
            bytes_.reset(static_cast<char*>(::operator new[](size, kAlignment)));
            capacity_ = size;
        }
        return bytes_.get();
    }
    void Done() {
        if (capacity_ > kKeptBuffer) {
            bytes_.reset();
            capacity_ = 0;
        }
    }

private:
    static constexpr std::align_val_t kAlignment{4096};
    struct Release {
        void operator()(char* bytes) const { ::operator delete[](bytes, kAlignment); }
    };
    std::unique_ptr<char, Release> bytes_;
    std::size_t capacity_ = 0;
};

thread_local CopyBuffer t_copyBuffer;

}  // namespace

void KZ_Sound::LoadData(std::istream& in) {
    HeaderByte = 0;
    HeaderIndex = 0;
    HeaderValue = 0;
    WaveSize = 0;
    WaveOffset = 0;
    LittleEndian::Read(in, HeaderByte);
    HeaderIndex = Decode_cIndex(in);
    LittleEndian::Read(in, HeaderValue);
    WaveSize = Decode_cIndex(in);
    // A stream that failed before or during the header gives no position.
    HeaderComplete = !in.fail();
    if (HeaderComplete) WaveOffset = static_cast<std::uint32_t>(in.tellg());
}

KZ_SaveResult KZ_Sound::SaveWAVE(std::string path) {
    bool readAll = HeaderComplete && WaveSize >= 0 && (WaveSize == 0 || Package);
    char* bytes = nullptr;
    std::size_t held = 0;
    if (Package) {
        std::ifstream& in = Package->GetPackageFile();
        if (readAll && WaveSize > 0) {
            // This sound's header was read in full, so its bytes are worth
            // reading whatever an earlier short read left in the flags.
            in.clear();
            // Right after LoadData the stream already stands there, with the
            // first bytes buffered: seeking would only throw them away.
            if (in.tellg() != static_cast<std::streamoff>(WaveOffset)) in.seekg(static_cast<std::streamoff>(WaveOffset));
            // Never more than the file can still supply, whatever WaveSize says.
            auto size = static_cast<std::uint64_t>(WaveSize);
            const std::streamsize buffered = in.rdbuf()->in_avail();
            if (size > static_cast<std::uint64_t>(std::max<std::streamsize>(buffered, 0))) {
                size = std::min(size, BytesFrom(in, WaveOffset));
                in.seekg(static_cast<std::streamoff>(WaveOffset));
            }
            bytes = t_copyBuffer.Get(static_cast<std::size_t>(size));
            in.read(bytes, static_cast<std::streamsize>(size));
            held = static_cast<std::size_t>(in.gcount());
            readAll = held == static_cast<std::size_t>(WaveSize);
        }
        if (!Package->KeepFileOpen) in.close();
    }

    KZ_SaveResult result;
    result.ReadAll = readAll;
    Platform::OutputFile out(path);
    if (out.IsOpen()) {
        if (held > 0) out.Stream().write(bytes, static_cast<std::streamsize>(held));
        result.WroteAll = out.Commit();
    }
    t_copyBuffer.Done();
    return result;
}

KZ_Sound LoadSound(KZ_Package& package, const KZ_Export_Element& entry) {
    KZ_Sound sound;
    sound.Package = &package;
    if (entry.DataSize > 0) {
        std::ifstream& in = package.GetPackageFile();
        in.clear();
        in.seekg(entry.DataOffset);
        sound.LoadData(in);
    }
    return sound;
}

std::unique_ptr<WAVE_File> KZ_Sound::GetWAVE() { return GetWAVE(WaveLoad::Everything); }

std::unique_ptr<WAVE_File> KZ_Sound::GetWAVE(WaveLoad mode) {
    auto wave = std::make_unique<WAVE_File>();
    if (!HeaderComplete || !Package) {
        // No header, so no place to read from: the model sees no bytes at all.
        std::istringstream nothing;
        wave->LoadData(nothing, mode);
        return wave;
    }
    std::ifstream& in = Package->GetPackageFile();
    // Closes the stream and gives back the flags it came with, also when the
    // load throws: an earlier short read must not keep this sound from being
    // read, and this read must not leave the package failed for the next one.
    struct Restore {
        std::ifstream& in;
        std::ios::iostate before;
        ~Restore() {
            in.close();
            in.clear(before);
        }
    } restore{in, in.rdstate()};
    in.clear();
    in.seekg(static_cast<std::streamoff>(WaveOffset));
    // The sound's own bytes: never the package's next ones, never past its end.
    ChunkIO::BoundedInput sound(in.good() ? in.rdbuf() : nullptr, WaveSize > 0 ? static_cast<std::uint64_t>(WaveSize) : 0);
    std::istream bytes(&sound);
    wave->LoadData(bytes, mode);
    return wave;
}
