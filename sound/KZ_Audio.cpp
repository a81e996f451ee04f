#include "sound/KZ_Audio.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <new>
#include <sstream>
#include <utility>

#include "common/LittleEndian.h"
#include "common/OutputFile.h"
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

// The copy goes through one buffer of at most kCopyPiece bytes, kept from
// copy to copy: an export run copies thousands of sounds in a row, and a
// fresh allocation for each costs more than copying a small sound's bytes. A
// sound larger than a piece is copied piece by piece, so that memory stays
// flat whatever its size.
//
// The buffer starts on a page boundary. The bytes come from the stream's own
// buffer, and a destination a few bytes past the source's offset within a
// page (as a buffer allocated right after the stream's lands) makes the
// processor take each load for one that depends on the store just before it:
// the copy of a small sound then ran several times slower, a tenth of an
// export run.
constexpr std::size_t kCopyPiece = std::size_t{1} << 20;

class CopyBuffer {
public:
    // At least `size` bytes (at most kCopyPiece), contents undefined.
    char* Get(std::size_t size) {
        if (size > capacity_) {
            bytes_.reset();
            capacity_ = 0;
            bytes_.reset(static_cast<char*>(::operator new[](size, kAlignment)));
            capacity_ = size;
        }
        return bytes_.get();
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

KZ_SaveResult KZ_Sound::SaveWAVE(std::string path) { return SaveWAVE(std::move(path), Platform::IfExists::Replace); }

KZ_SaveResult KZ_Sound::SaveWAVE(std::string path, Platform::IfExists ifExists) {
    return Save([&](std::optional<Platform::OutputFile>& out) { out.emplace(path, ifExists); });
}

KZ_SaveResult KZ_Sound::SaveWAVE(const Platform::Folder& folder, const std::string& name, Platform::IfExists ifExists) {
    return Save([&](std::optional<Platform::OutputFile>& out) { out.emplace(folder, name, ifExists); });
}

KZ_SaveResult KZ_Sound::Save(const OpenOutput& open) {
    bool readAll = HeaderComplete && WaveSize >= 0 && (WaveSize == 0 || Package);
    if (readAll && WaveSize > 0) {
        Platform::InputFile& source = Package->GetPackageSource();
        if (source.IsOpen()) {
            std::optional<Platform::OutputFile> out;
            open(out);
            if (out->IsOpen()) return CopyBySystem(source, *out);
        }
    }

    std::ifstream* in = nullptr;
    std::uint64_t size = 0;  // the bytes to copy: what the package still holds of WaveSize
    if (Package) {
        in = &Package->GetPackageFile();
        if (readAll && WaveSize > 0) {
            // This sound's header was read in full, so its bytes are worth
            // reading whatever an earlier short read left in the flags.
            in->clear();
            // Right after LoadData the stream already stands there, with the
            // first bytes buffered: seeking would only throw them away.
            if (in->tellg() != static_cast<std::streamoff>(WaveOffset)) in->seekg(static_cast<std::streamoff>(WaveOffset));
            // Never more than the file can still supply, whatever WaveSize says.
            size = static_cast<std::uint64_t>(WaveSize);
            const std::streamsize buffered = in->rdbuf()->in_avail();
            if (size > static_cast<std::uint64_t>(std::max<std::streamsize>(buffered, 0))) {
                size = std::min(size, BytesFrom(*in, WaveOffset));
                in->seekg(static_cast<std::streamoff>(WaveOffset));
            }
        }
    }

    // The first piece is read before the output is opened: a sound of one
    // piece (nearly every one) is read whole, and the package closed, before
    // its file exists.
    char* const buffer = t_copyBuffer.Get(static_cast<std::size_t>(std::min<std::uint64_t>(size, kCopyPiece)));
    std::uint64_t held = 0;
    std::uint64_t piece = 0;
    bool shortRead = false;
    const auto readPiece = [&] {
        const std::uint64_t wanted = std::min<std::uint64_t>(size - held, kCopyPiece);
        in->read(buffer, static_cast<std::streamsize>(wanted));
        piece = static_cast<std::uint64_t>(in->gcount());
        held += piece;
        shortRead = piece < wanted;
    };
    bool closed = false;
    const auto closePackage = [&] {
        if (in && !closed) ClosePackage();
        closed = true;
    };
    if (size > 0) readPiece();
    if (held == size || shortRead) closePackage();

    KZ_SaveResult result;
    std::optional<Platform::OutputFile> out;
    open(out);
    if (out->IsOpen()) {
        while (piece > 0) {
            out->Stream().write(buffer, static_cast<std::streamsize>(piece));
            if (held == size || shortRead || !out->Stream()) break;
            readPiece();
        }
        result.WroteAll = out->Commit();
        if (result.WroteAll) result.Bytes = held;
    }
    if (!result.WroteAll) result.WriteError = out->Error();
    closePackage();
    // The bytes the output never took (it failed first) are not read: the
    // package's size already says that they are there.
    result.ReadAll = readAll && size == static_cast<std::uint64_t>(WaveSize) && !shortRead;
    return result;
}

// The system copies what it can from the package's file into the output's;
// the rest goes through the package's stream in pieces, from where it
// stopped, as far as the package holds bytes.
KZ_SaveResult KZ_Sound::CopyBySystem(Platform::InputFile& source, Platform::OutputFile& out) {
    const auto wanted = static_cast<std::uint64_t>(WaveSize);
    KZ_SaveResult result;
    result.SystemCopied = out.CopyFrom(source, WaveOffset, wanted);
    std::uint64_t held = result.SystemCopied;
    bool readAll = true;
    if (held < wanted) {
        std::ifstream& in = Package->GetPackageFile();
        in.clear();
        const std::uint64_t from = WaveOffset + held;
        const std::uint64_t size = std::min(wanted - held, BytesFrom(in, from));
        readAll = size == wanted - held;
        in.seekg(static_cast<std::streamoff>(from));
        char* const buffer = t_copyBuffer.Get(static_cast<std::size_t>(std::min<std::uint64_t>(size, kCopyPiece)));
        // As below: the bytes the output never took are not read.
        for (std::uint64_t left = size; left > 0 && out.Stream();) {
            const std::uint64_t piece = std::min<std::uint64_t>(left, kCopyPiece);
            in.read(buffer, static_cast<std::streamsize>(piece));
            const auto got = static_cast<std::uint64_t>(in.gcount());
            out.Stream().write(buffer, static_cast<std::streamsize>(got));
            held += got;
            left -= got;
            if (got < piece) {
                readAll = false;
                break;
            }
        }
    }
    result.WroteAll = out.Commit();
    if (result.WroteAll) result.Bytes = held;
    if (!result.WroteAll) result.WriteError = out.Error();
    result.ReadAll = readAll;
    ClosePackage();
    return result;
}

void KZ_Sound::ClosePackage() {
    if (Package->KeepFileOpen) return;
    Package->Stream.close();
    Package->Source.Close();
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

std::unique_ptr<WAVE_File> KZ_Sound::GetWAVE(WaveLoad mode, const Diagnostics::Sink& sink) {
    auto wave = std::make_unique<WAVE_File>();
    if (!HeaderComplete || !Package) {
        // No header, so no place to read from: the model sees no bytes at all.
        std::istringstream nothing;
        wave->LoadData(nothing, mode, sink);
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
    wave->LoadData(bytes, mode, sink);
    return wave;
}
