// Reading and writing helpers shared by every chunk class.
//
// A stored chunk is an identifier, a size and a body of that many bytes,
// followed by a zero pad byte when the size is odd (most writers add it, some
// do not; the model always does). The loaders read each body through a
// ChunkBody: a view of the stream that ends where the body ends, or earlier
// where the enclosing list or the bytes that hold the image end. So no loader
// reads into the next chunk, and no buffer is made larger than the bytes that
// are really there, whatever a size field claims.
#pragma once

#include <algorithm>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <streambuf>
#include <vector>

namespace ChunkIO {

// Bytes of padding after a stored body of `size` bytes: bodies are padded to
// an even length. The only place that knows the rule.
constexpr std::uint32_t PadLength(std::uint64_t size) { return static_cast<std::uint32_t>(size & 1); }

// Writes the pad byte that follows a body of `size` bytes, if it needs one.
void WritePad(std::ostream& out, std::uint64_t size);

// Reads a 4-byte chunk identifier. False when fewer than 4 bytes are left
// (the end of the body, list, image or stream), which ends a chunk loop.
bool ReadChunkID(std::istream& in, std::uint32_t& id);

// A view of the next bytes of another stream buffer that ends after `limit`
// bytes, or earlier where the source ends. Views nest: a sub-chunk's body is a
// view of its list's body, which is a view of the RIFF image. Reads go through
// to the source, so every enclosing view keeps count of what was consumed.
//
// The bytes left are known without asking the stream: a view of a plain
// stream finds the stream's end once (three seeks) when it is made, unless
// the caller says how many bytes are there, and a view of a view inherits
// what its parent has left. A stream that cannot seek
// gives only an upper bound (Exact() is false); readers then grow their
// buffers as bytes arrive.
class BoundedInput : public std::streambuf {
public:
    static constexpr std::uint64_t kUnlimited = UINT64_MAX;

    BoundedInput(std::streambuf* source, std::uint64_t limit);

    // A view of bytes the caller has measured already: the source holds
    // `bytes` of them from where it stands. Nothing is asked of the stream,
    // whose buffered bytes stay usable (a seek would drop them).
    struct Measured {
        std::uint64_t bytes;
    };
    BoundedInput(std::streambuf* source, Measured held);

    std::uint64_t Left() const { return left_; }
    bool Exact() const { return exact_; }
    // Bytes taken from the source through this view so far, read or skipped.
    std::uint64_t Consumed() const { return consumed_; }
    // Steps over up to `count` bytes (seeking over more than 64 KiB where the
    // source can, else reading past them); returns how many it stepped over.
    std::uint64_t Skip(std::uint64_t count);
    // The stream buffer under every view: reads through the views reach it
    // at once, so its position is theirs.
    std::streambuf* Root();

protected:
    int_type underflow() override;
    int_type uflow() override;
    std::streamsize xsgetn(char* s, std::streamsize count) override;

private:
    std::streambuf* source_;
    BoundedInput* parent_;  // source_ when it is a view itself
    std::uint64_t left_ = 0;
    std::uint64_t consumed_ = 0;
    bool exact_ = true;
};

// The 4 bytes that follow in `in`, as a little-endian value, left unread
// (a chunk's size, looked at before its class is chosen). False, with
// nothing read, when fewer than 4 are left or they cannot be looked at.
bool PeekU32(std::istream& in, std::uint32_t& value);

// Bytes left to read in `in`: for a view, what it has left; for a plain
// stream, measured once by seeking. Sets `exact` false when only an upper
// bound is known. A stream that is not good has nothing left.
std::uint64_t BytesLeft(std::istream& in, bool& exact);

// The stored body of one chunk, from just after its size field. Made right
// after the size was read; Realign() then moves the stream past the body and
// its pad byte, however much of it the loader read.
class ChunkBody {
public:
    // `in` stands at the first byte of a body that claims `size` bytes.
    ChunkBody(std::istream& in, std::uint64_t size);
    ChunkBody(const ChunkBody&) = delete;
    ChunkBody& operator=(const ChunkBody&) = delete;

    // The body as a stream of its own: reads stop at its end.
    std::istream& Stream();
    // Bytes of the body that can still be read.
    std::uint64_t Left() const { return view_.Left(); }
    bool Exact() const { return view_.Exact(); }
    // Bytes of the body read or stepped over so far.
    std::uint64_t Consumed() const { return view_.Consumed(); }
    // Where the unread rest of the body stands in the stream under every
    // view (an absolute position); nothing when that stream cannot tell.
    std::optional<std::uint64_t> Position();
    // Up to `count` more bytes of the body (as many as are really there) into
    // `bytes`, a std::vector<char> or std::string, replacing what it held.
    template <typename Bytes>
    void Read(Bytes& bytes, std::uint64_t count);
    template <typename Bytes>
    void ReadRest(Bytes& bytes) { Read(bytes, Left()); }
    // Steps over the rest of the body without keeping it; returns how many
    // bytes that was (where the stream cannot seek, they are read and dropped).
    std::uint64_t SkipRest() { return view_.Skip(view_.Left()); }
    // To the end of the stored body, then past one pad byte when the size is
    // odd and the next byte is 0x00 (a chunk identifier never starts with a
    // zero byte, so this reads padded and unpadded files alike).
    void Realign();

private:
    std::streambuf* outer_;
    std::uint64_t size_;
    BoundedInput view_;
    std::optional<std::istream> stream_;
};

template <typename Bytes>
void ChunkBody::Read(Bytes& bytes, std::uint64_t count) {
    count = std::min(count, view_.Left());
    bytes.clear();
    if (view_.Exact()) {
        // The bytes are known to be there: one buffer of the right size, one read.
        bytes.resize(static_cast<std::size_t>(count));
        const auto got = view_.sgetn(bytes.data(), static_cast<std::streamsize>(count));
        bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(got, 0)));
        return;
    }
    // A stream that cannot say how much it holds: grow with what arrives.
    constexpr std::uint64_t kFirstStep = 64 * 1024;
    while (count > 0) {
        const std::uint64_t step = std::min(count, std::max<std::uint64_t>(kFirstStep, bytes.size()));
        const std::size_t had = bytes.size();
        bytes.resize(had + static_cast<std::size_t>(step));
        const auto got = std::max<std::streamsize>(view_.sgetn(bytes.data() + had, static_cast<std::streamsize>(step)), 0);
        bytes.resize(had + static_cast<std::size_t>(got));
        if (static_cast<std::uint64_t>(got) < step) return;
        count -= step;
    }
}

// How many records of `recordSize` bytes a stored `count` stands for, when
// `bytesLeft` bytes are left to hold them: none for a negative count.
template <typename Count>
std::uint64_t RecordsThatFit(Count count, std::uint64_t bytesLeft, std::uint32_t recordSize) {
    if (count <= 0) return 0;
    return std::min<std::uint64_t>(static_cast<std::uint64_t>(count), bytesLeft / recordSize);
}

}  // namespace ChunkIO
