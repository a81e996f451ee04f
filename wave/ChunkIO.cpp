#include "wave/ChunkIO.h"

#include <algorithm>
#include <array>

#include "common/LittleEndian.h"

namespace ChunkIO {

namespace {

using Traits = std::streambuf::traits_type;

// Bytes from the current position to the end of a plain stream buffer, or
// kUnlimited when it cannot seek.
std::uint64_t MeasureSource(std::streambuf* source, bool& exact) {
    exact = false;
    if (source == nullptr) {
        exact = true;
        return 0;
    }
    const auto here = source->pubseekoff(0, std::ios::cur, std::ios::in);
    if (here == std::streampos(-1)) return BoundedInput::kUnlimited;
    const auto end = source->pubseekoff(0, std::ios::end, std::ios::in);
    const auto back = source->pubseekpos(here, std::ios::in);
    if (end == std::streampos(-1) || back != here || end < here) return BoundedInput::kUnlimited;
    exact = true;
    return static_cast<std::uint64_t>(end - here);
}

// Reading is cheaper than seeking for short steps: the bytes are usually in
// the stream's buffer already.
constexpr std::uint64_t kReadToSkip = 64 * 1024;

std::uint64_t DiscardFrom(std::streambuf* source, std::uint64_t count) {
    std::array<char, 4096> scratch;
    std::uint64_t dropped = 0;
    while (dropped < count) {
        const auto step = static_cast<std::streamsize>(std::min<std::uint64_t>(count - dropped, scratch.size()));
        const auto got = source->sgetn(scratch.data(), step);
        if (got <= 0) break;
        dropped += static_cast<std::uint64_t>(got);
    }
    return dropped;
}

// A seek is taken only over bytes known to be there (`exact`): a seek past
// the end of a file succeeds and would count bytes that are not.
std::uint64_t SkipSource(std::streambuf* source, std::uint64_t count, bool exact) {
    if (exact && count > kReadToSkip &&
        source->pubseekoff(static_cast<std::streamoff>(count), std::ios::cur, std::ios::in) != std::streampos(-1)) {
        return count;
    }
    return DiscardFrom(source, count);
}

}  // namespace

void WritePad(std::ostream& out, std::uint64_t size) {
    if (PadLength(size) != 0) out.put('\0');
}

bool ReadChunkID(std::istream& in, std::uint32_t& id) {
    std::uint32_t read = 0;
    if (!LittleEndian::Read(in, read)) return false;
    id = read;
    return true;
}

BoundedInput::BoundedInput(std::streambuf* source, std::uint64_t limit)
    : source_(source), parent_(dynamic_cast<BoundedInput*>(source)) {
    const std::uint64_t available = parent_ != nullptr ? parent_->Left() : MeasureSource(source, exact_);
    if (parent_ != nullptr) exact_ = parent_->Exact();
    left_ = std::min(limit, available);
}

BoundedInput::BoundedInput(std::streambuf* source, Measured held)
    : source_(source), parent_(dynamic_cast<BoundedInput*>(source)), left_(source != nullptr ? held.bytes : 0) {
    if (parent_ != nullptr) {
        left_ = std::min(left_, parent_->Left());
        exact_ = parent_->Exact();
    }
}

std::streambuf* BoundedInput::Root() {
    BoundedInput* view = this;
    while (view->parent_ != nullptr) view = view->parent_;
    return view->source_;
}

bool PeekU32(std::istream& in, std::uint32_t& value) {
    if (!in.good()) return false;
    std::streambuf* root = in.rdbuf();
    if (auto* view = dynamic_cast<BoundedInput*>(root)) {
        if (view->Left() < 4) return false;
        root = view->Root();
    }
    if (root == nullptr) return false;
    std::array<char, 4> bytes{};
    if (root->in_avail() >= 4) {
        // Buffered (or read into a fresh buffer together): read, put back.
        if (root->sgetn(bytes.data(), 4) != 4) return false;
        int back = 0;
        while (back < 4 && !Traits::eq_int_type(root->sungetc(), Traits::eof())) ++back;
        if (back < 4 && root->pubseekoff(back - 4, std::ios::cur, std::ios::in) == std::streampos(-1)) {
            in.setstate(std::ios::badbit);  // the bytes cannot be given back
            return false;
        }
    } else {
        // Across the end of the buffer: where the source can seek.
        const auto here = root->pubseekoff(0, std::ios::cur, std::ios::in);
        if (here == std::streampos(-1)) return false;
        const auto got = root->sgetn(bytes.data(), 4);
        if (root->pubseekpos(here, std::ios::in) != here) {
            in.setstate(std::ios::badbit);
            return false;
        }
        if (got != 4) return false;
    }
    value = LittleEndian::FromBytes<std::uint32_t>(bytes.data());
    return true;
}

std::uint64_t BoundedInput::Skip(std::uint64_t count) {
    count = std::min(count, left_);
    if (count == 0) return 0;
    const std::uint64_t skipped = parent_ != nullptr ? parent_->Skip(count) : SkipSource(source_, count, exact_);
    left_ = skipped < count ? 0 : left_ - skipped;  // short: the source ended
    consumed_ += skipped;
    return skipped;
}

BoundedInput::int_type BoundedInput::underflow() {
    if (left_ == 0) return Traits::eof();
    const int_type c = source_->sgetc();
    if (Traits::eq_int_type(c, Traits::eof())) left_ = 0;
    return c;
}

BoundedInput::int_type BoundedInput::uflow() {
    if (left_ == 0) return Traits::eof();
    const int_type c = source_->sbumpc();
    if (Traits::eq_int_type(c, Traits::eof())) {
        left_ = 0;
    } else {
        --left_;
        ++consumed_;
    }
    return c;
}

std::streamsize BoundedInput::xsgetn(char* s, std::streamsize count) {
    if (count <= 0) return 0;
    const auto wanted = static_cast<std::streamsize>(std::min<std::uint64_t>(static_cast<std::uint64_t>(count), left_));
    if (wanted == 0) return 0;
    const std::streamsize got = source_->sgetn(s, wanted);
    if (got < wanted) {
        left_ = 0;  // the source ended early
    } else {
        left_ -= static_cast<std::uint64_t>(got);
    }
    consumed_ += static_cast<std::uint64_t>(std::max<std::streamsize>(got, 0));
    return std::max<std::streamsize>(got, 0);
}

std::uint64_t BytesLeft(std::istream& in, bool& exact) {
    exact = true;
    if (!in.good()) return 0;
    if (auto* view = dynamic_cast<BoundedInput*>(in.rdbuf())) {
        exact = view->Exact();
        return view->Left();
    }
    return MeasureSource(in.rdbuf(), exact);
}

ChunkBody::ChunkBody(std::istream& in, std::uint64_t size)
    : outer_(in.good() ? in.rdbuf() : nullptr), size_(size), view_(outer_, outer_ != nullptr ? size : 0) {}

std::istream& ChunkBody::Stream() {
    if (!stream_) stream_.emplace(&view_);
    return *stream_;
}

std::optional<std::uint64_t> ChunkBody::Position() {
    if (outer_ == nullptr) return std::nullopt;
    const auto position = view_.Root()->pubseekoff(0, std::ios::cur, std::ios::in);
    if (position == std::streampos(-1)) return std::nullopt;
    return static_cast<std::uint64_t>(static_cast<std::streamoff>(position));
}

void ChunkBody::Realign() {
    SkipRest();
    if (PadLength(size_) == 0 || outer_ == nullptr) return;
    if (Traits::eq_int_type(outer_->sgetc(), Traits::to_int_type('\0'))) outer_->sbumpc();
}

}  // namespace ChunkIO
