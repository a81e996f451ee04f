#include "wave/Id3.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "wave/ChunkIO.h"

namespace {

constexpr std::size_t kTagHeaderSize = 10;
constexpr std::uint8_t kUnsynchronised = 0x80;
constexpr std::uint8_t kExtendedHeader = 0x40;  // in 2.2: a compressed tag

// The text encodings a text frame's first byte names.
constexpr std::uint8_t kLatin1 = 0;
constexpr std::uint8_t kUtf16Bom = 1;
constexpr std::uint8_t kUtf16Be = 2;
constexpr std::uint8_t kUtf8 = 3;

// The frame format flags (the second flag byte).
constexpr std::uint8_t k23Compressed = 0x80;
constexpr std::uint8_t k23Encrypted = 0x40;
constexpr std::uint8_t k23Grouped = 0x20;
constexpr std::uint8_t k24Grouped = 0x40;
constexpr std::uint8_t k24Compressed = 0x08;
constexpr std::uint8_t k24Encrypted = 0x04;
constexpr std::uint8_t k24Unsynchronised = 0x02;
constexpr std::uint8_t k24DataLength = 0x01;

// The original list (0 to 79) and the additions every reader knows (80 on).
constexpr std::array<std::string_view, 148> kGenres{
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal",
    "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial",
    "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal",
    "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel",
    "Noise", "AlternRock", "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock",
    "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream",
    "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk", "Jungle",
    "Native American", "Cabaret", "New Wave", "Psychedelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock",
    // 80 on
    "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion", "Bebop", "Latin", "Revival", "Celtic",
    "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock", "Psychedelic Rock", "Symphonic Rock",
    "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera",
    "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam", "Club",
    "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock",
    "Drum Solo", "A capella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore",
    "Terror", "Indie", "BritPop", "Afro-Punk", "Polsk Punk", "Beat", "Christian Gangsta", "Heavy Metal",
    "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa", "Thrash Metal",
    "Anime", "JPop", "Synthpop",
};

std::uint8_t Byte(std::string_view bytes, std::size_t at) { return static_cast<std::uint8_t>(bytes[at]); }

// `count` bytes from `at`, high first.
std::uint32_t BigEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t n = 0; n < count; ++n) value = value << 8 | Byte(bytes, at + n);
    return value;
}

// Four bytes of seven bits each, high first; none when a byte's top bit is set.
std::optional<std::uint32_t> Syncsafe(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t n = 0; n < 4; ++n) {
        if (Byte(bytes, at + n) & 0x80) return std::nullopt;
        value = value << 7 | Byte(bytes, at + n);
    }
    return value;
}

// Unsynchronisation undone: each FF 00 stands for FF.
std::string Resynchronised(std::string_view bytes) {
    std::string plain;
    plain.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        plain += bytes[at];
        if (Byte(bytes, at) == 0xFF && at + 1 < bytes.size() && bytes[at + 1] == '\0') ++at;
    }
    return plain;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool IsFrameIdByte(std::uint8_t byte) { return (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9'); }

std::string SizeText(std::uint64_t bytes) { return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes"); }

// "(17)" and "17" by their names, "Rock (17)"; "(RX)" and "(CR)" spelt out.
std::string Genre(const std::string& value) {
    if (value == "(RX)" || value == "RX") return "Remix";
    if (value == "(CR)" || value == "CR") return "Cover";
    const bool bracketed = value.size() >= 3 && value.front() == '(' && value.back() == ')';
    const std::string_view digits = bracketed ? std::string_view(value).substr(1, value.size() - 2) : value;
    if (digits.empty() || digits.size() > 3) return value;
    std::uint64_t number = 0;
    for (const char digit : digits) {
        if (digit < '0' || digit > '9') return value;
        number = number * 10 + static_cast<std::uint64_t>(digit - '0');
    }
    const std::string_view name = Id3::GenreName(number);
    return name.empty() ? value : std::string(name) + " (" + std::to_string(number) + ")";
}

// The fields a tag shows, in the order Read gives them: the well-known
// ones first, whatever frames they come from, then the rest as they come.
class Fields {
public:
    static constexpr std::array<std::string_view, 7> kKnown{"title", "artist", "album", "year",
                                                            "track", "genre",  "comment"};

    void Add(const std::string& name, const std::string& value) {
        const auto known = std::find(kKnown.begin(), kKnown.end(), name);
        if (known != kKnown.end()) {
            Join(known_[static_cast<std::size_t>(known - kKnown.begin())], value);
            return;
        }
        const auto [at, added] = index_.try_emplace(name, rest_.size());
        if (added) {
            rest_.push_back({name, value});
        } else {
            Join(rest_[at->second].second, value);
        }
    }

    std::vector<ChunkField> Take(std::string version) {
        std::vector<ChunkField> fields{{"version", std::move(version)}};
        for (std::size_t n = 0; n < kKnown.size(); ++n) {
            if (known_[n]) fields.push_back({std::string(kKnown[n]), std::move(*known_[n])});
        }
        for (auto& [name, value] : rest_) fields.push_back({name, std::move(value)});
        return fields;
    }

private:
    static void Join(std::optional<std::string>& field, const std::string& value) {
        if (!field) {
            field = value;
        } else {
            *field += " / " + value;
        }
    }
    static void Join(std::string& field, const std::string& value) { field += " / " + value; }

    std::array<std::optional<std::string>, kKnown.size()> known_;
    std::vector<std::pair<std::string, std::string>> rest_;
    std::map<std::string, std::size_t, std::less<>> index_;  // a name's place in rest_
};

class TagReader {
public:
    explicit TagReader(std::string_view body) : body_(body) {}

    Id3Tag Read() {
        Id3Tag tag;
        if (body_.size() < kTagHeaderSize || body_.substr(0, 3) != "ID3") {
            Damage(Id3Fault::NotATag, "");
            tag.damage = std::move(damage_);
            return tag;
        }
        major_ = Byte(body_, 3);
        const std::uint8_t flags = Byte(body_, 5);
        const std::string version = "2." + std::to_string(major_) + "." + std::to_string(Byte(body_, 4));
        if (major_ < 2 || major_ > 4) {
            Damage(Id3Fault::UnknownVersion, "", major_);
            tag.fields.push_back({"version", version});
            tag.damage = std::move(damage_);
            return tag;
        }
        // The tag after its header, never past the chunk's bytes.
        std::string_view area = body_.substr(kTagHeaderSize);
        if (const auto size = Syncsafe(body_, 6); !size) {
            Damage(Id3Fault::SizeDamaged, "");
        } else if (*size > area.size()) {
            Damage(Id3Fault::TagPastChunk, "", *size, area.size());
        } else {
            area = area.substr(0, *size);
        }
        tagUnsynchronised_ = (flags & kUnsynchronised) != 0;
        std::string plain;
        if (tagUnsynchronised_ && major_ < 4) {
            // Before 2.4 the whole tag is unsynchronised, extended header too.
            plain = Resynchronised(area);
            area = plain;
        }
        if (flags & kExtendedHeader) {
            // In 2.2 the flag says the tag is compressed, in no known way: no frames to read.
            area = major_ == 2 ? std::string_view{} : SkipExtendedHeader(area);
        }
        ReadFrames(area);
        tag.fields = fields_.Take(version);
        tag.damage = std::move(damage_);
        return tag;
    }

private:
    void Damage(Id3Fault fault, std::string_view frame, std::uint64_t value = 0, std::uint64_t limit = 0) {
        const auto same = [&](const Id3Damage& known) { return known.fault == fault; };
        if (std::none_of(damage_.begin(), damage_.end(), same)) {
            damage_.push_back({fault, std::string(frame), value, limit});
        }
    }

    // 2.3: a plain size that does not count its own 4 bytes; 2.4: a syncsafe
    // size that does. Nothing is left when it does not fit.
    std::string_view SkipExtendedHeader(std::string_view area) {
        if (area.empty()) return area;
        constexpr std::string_view kWhat = Id3::kExtendedHeader;
        if (area.size() < 4) {
            Damage(Id3Fault::FramePastTag, kWhat, 4, area.size());
            return {};
        }
        std::uint64_t size = 0;
        if (major_ == 3) {
            size = std::uint64_t{BigEndian(area, 0, 4)} + 4;
        } else if (const auto syncsafe = Syncsafe(area, 0)) {
            size = *syncsafe;
        } else {
            Damage(Id3Fault::SizeDamaged, kWhat);
            return {};
        }
        if (size > area.size()) {
            Damage(Id3Fault::FramePastTag, kWhat, size, area.size());
            return {};
        }
        return area.substr(static_cast<std::size_t>(size));
    }

    void ReadFrames(std::string_view area) {
        const std::size_t idLength = major_ == 2 ? 3 : 4;
        const std::size_t headerLength = major_ == 2 ? 6 : 10;
        std::size_t at = 0;
        while (at < area.size() && area[at] != '\0') {
            const std::size_t left = area.size() - at;
            const std::string_view id = area.substr(at, std::min(idLength, left));
            if (!std::all_of(id.begin(), id.end(), [](char byte) { return IsFrameIdByte(static_cast<std::uint8_t>(byte)); })) {
                Damage(Id3Fault::FrameIdDamaged, id);
                return;
            }
            if (left < headerLength) {
                Damage(Id3Fault::FramePastTag, id, headerLength, left);
                return;
            }
            std::uint64_t size = 0;
            if (major_ == 2) {
                size = BigEndian(area, at + 3, 3);
            } else if (major_ == 3) {
                size = BigEndian(area, at + 4, 4);
            } else if (const auto syncsafe = Syncsafe(area, at + 4)) {
                size = *syncsafe;
            } else {
                Damage(Id3Fault::SizeDamaged, id);
                return;
            }
            const std::uint8_t format = major_ == 2 ? 0 : Byte(area, at + 9);
            const std::size_t held = left - headerLength;
            const bool cut = size > held;
            if (cut) Damage(Id3Fault::FramePastTag, id, size, held);
            // What the tag holds of a frame cut short is still read.
            const std::size_t length = cut ? held : static_cast<std::size_t>(size);
            Frame(std::string(id), area.substr(at + headerLength, length), format);
            if (cut) return;
            at += headerLength + length;
        }
    }

    void Frame(const std::string& id, std::string_view body, std::uint8_t format) {
        const std::size_t stored = body.size();
        std::string plain;
        bool opaque = false;
        if (major_ == 3) {
            opaque = (format & (k23Compressed | k23Encrypted)) != 0;
            if (!opaque && (format & k23Grouped)) body.remove_prefix(std::min<std::size_t>(1, body.size()));
        } else if (major_ == 4) {
            opaque = (format & (k24Compressed | k24Encrypted)) != 0;
            const std::size_t added = (format & k24Grouped ? 1 : 0) + (format & k24Encrypted ? 1 : 0) +
                                      (format & k24DataLength ? 4 : 0);
            body.remove_prefix(std::min(added, body.size()));
            if (!opaque && (tagUnsynchronised_ || (format & k24Unsynchronised))) {
                plain = Resynchronised(body);
                body = plain;
            }
        }
        const bool user = id == "TXXX" || id == "TXX";
        const bool comment = id == "COMM" || id == "COM";
        if (opaque || !(id.front() == 'T' || comment)) {
            fields_.Add(id, SizeText(stored));
            return;
        }
        if (body.empty()) {
            fields_.Add(user ? id : comment ? "comment" : NameOf(id), "");
            return;
        }
        const std::uint8_t encoding = Byte(body, 0);
        if (encoding > kUtf8) {
            Damage(Id3Fault::UnknownEncoding, id, encoding);
            fields_.Add(id, SizeText(stored));
            return;
        }
        body.remove_prefix(1);
        if (user) {
            const std::string description = Decode(id, TakeString(body, encoding), encoding);
            fields_.Add(description.empty() ? id : id + ' ' + description, Values(id, body, encoding));
        } else if (comment) {
            body.remove_prefix(std::min<std::size_t>(3, body.size()));  // the language
            const std::string description = Decode(id, TakeString(body, encoding), encoding);
            const std::string text = Values(id, body, encoding);
            fields_.Add("comment", description.empty() ? text : description + ": " + text);
        } else if (NameOf(id) == "genre") {
            std::string genres;
            for (const std::string& value : ValueList(id, body, encoding)) {
                genres += (genres.empty() ? "" : " / ") + Genre(value);
            }
            fields_.Add("genre", genres);
        } else {
            fields_.Add(NameOf(id), Values(id, body, encoding));
        }
    }

    // The name a text frame is shown by: its id, or the well-known name.
    std::string NameOf(const std::string& id) const {
        static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
            {"TIT2", "title"}, {"TT2", "title"}, {"TPE1", "artist"}, {"TP1", "artist"}, {"TALB", "album"},
            {"TAL", "album"},  {"TRCK", "track"}, {"TRK", "track"},  {"TCON", "genre"}, {"TCO", "genre"},
        };
        for (const auto& [frame, name] : kNames) {
            if (id == frame) return std::string(name);
        }
        if ((major_ < 4 && (id == "TYER" || id == "TYE")) || (major_ == 4 && id == "TDRC")) return "year";
        return id;
    }

    // The text up to its terminator (one NUL, or two at an even offset in
    // UTF-16), which `rest` then stands after; all of it without one.
    static std::string_view TakeString(std::string_view& rest, std::uint8_t encoding) {
        const bool wide = encoding == kUtf16Bom || encoding == kUtf16Be;
        std::size_t end = 0;
        if (!wide) {
            end = std::min(rest.find('\0'), rest.size());
        } else {
            while (end + 1 < rest.size() && !(rest[end] == '\0' && rest[end + 1] == '\0')) end += 2;
            if (end + 1 >= rest.size()) end = rest.size();
        }
        const std::string_view text = rest.substr(0, end);
        rest.remove_prefix(std::min(rest.size(), end + (wide ? 2 : 1)));
        return text;
    }

    // The values of a text frame: in 2.4 each string up to its terminator
    // (a terminator at the end starts no other); before, the first alone.
    std::vector<std::string> ValueList(const std::string& id, std::string_view rest, std::uint8_t encoding) {
        std::vector<std::string> values;
        do {
            values.push_back(Decode(id, TakeString(rest, encoding), encoding));
        } while (major_ == 4 && !rest.empty());
        return values;
    }

    std::string Values(const std::string& id, std::string_view rest, std::uint8_t encoding) {
        std::string joined;
        for (const std::string& value : ValueList(id, rest, encoding)) joined += (joined.empty() ? "" : " / ") + value;
        return joined;
    }

    // One string as UTF-8: Latin-1 and UTF-16 converted, UTF-8 as stored.
    std::string Decode(const std::string& id, std::string_view bytes, std::uint8_t encoding) {
        std::string text;
        if (encoding == kUtf8) return std::string(bytes);
        if (encoding == kLatin1) {
            for (const char byte : bytes) AppendUtf8(text, static_cast<std::uint8_t>(byte));
            return text;
        }
        bool bigEndian = true;  // 2 is big-endian; 1 without its byte order mark too
        if (encoding == kUtf16Bom && bytes.size() >= 2) {
            const std::uint32_t mark = BigEndian(bytes, 0, 2);
            if (mark == 0xFFFE || mark == 0xFEFF) {
                bigEndian = mark == 0xFEFF;
                bytes.remove_prefix(2);
            }
        }
        if (bytes.size() % 2 != 0) {
            Damage(Id3Fault::OddUtf16, id, bytes.size());
            bytes.remove_suffix(1);
        }
        const auto unit = [&](std::size_t at) {
            return bigEndian ? BigEndian(bytes, at, 2) : std::uint32_t{Byte(bytes, at + 1)} << 8 | Byte(bytes, at);
        };
        for (std::size_t at = 0; at < bytes.size(); at += 2) {
            std::uint32_t code = unit(at);
            if (code >= 0xD800 && code <= 0xDBFF && at + 2 < bytes.size() && unit(at + 2) >= 0xDC00 &&
                unit(at + 2) <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
                at += 2;
            } else if (code >= 0xD800 && code <= 0xDFFF) {
                Damage(Id3Fault::UnpairedSurrogate, id);
                code = 0xFFFD;
            }
            AppendUtf8(text, code);
        }
        return text;
    }

    std::string_view body_;
    std::uint8_t major_ = 0;
    bool tagUnsynchronised_ = false;
    Fields fields_;
    std::vector<Id3Damage> damage_;
};

}  // namespace

std::string_view Id3::GenreName(std::uint64_t number) { return number < kGenres.size() ? kGenres[number] : ""; }

id3_Chunk::id3_Chunk() : id3_Chunk(kId3LowerID) {}

id3_Chunk::id3_Chunk(std::uint32_t id) { ChunkID = id; }

Id3Tag id3_Chunk::Read() const { return TagReader(Body).Read(); }

void id3_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    body.ReadRest(Body);
    body.Realign();
}

void id3_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    out.write(Body.data(), static_cast<std::streamsize>(Body.size()));
    WritePad(out);
}

std::uint32_t id3_Chunk::CalcSize() { return SizeFromHeldBytes(); }

std::vector<ChunkField> id3_Chunk::Describe() const { return Read().fields; }
