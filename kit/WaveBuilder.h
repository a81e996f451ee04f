// Builds RIFF WAVE bytes for tests, fuzz seeds and benchmarks, independently
// of the WAVE model under test: every function returns the stored bytes of
// one piece (a field, a chunk, a whole file), and pieces are joined with +.
//
//   using namespace WaveBuilder;
//   std::string wav = Riff(PcmFmt(2, 44100, 16) + Chunk("data", Samples(16, 2, 100)));
//   std::string bad = Riff(Header("data", 0xFFFFFFF0) + "abc");  // sizes that lie
//
// Chunk() adds the zero pad byte after an odd-sized body, as RIFF writers
// should; Header() + body gives any other layout, and Unpadded() takes every
// pad byte out of well-formed chunks (as writers that omit them store them).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace WaveBuilder {

// Little-endian fields.
std::string U16(std::uint16_t value);
std::string U32(std::uint32_t value);
std::string F32(float value);
// A four-character code: `code` cut or zero-padded to 4 bytes.
std::string Code(const std::string& code);

// An 8-byte chunk header that claims `size` bytes of body.
std::string Header(const std::string& id, std::uint32_t size);
// Header with the body's real size, the body, and a zero pad byte when odd.
std::string Chunk(const std::string& id, const std::string& body);
// Well-formed chunks (lists included, at any depth) with every pad byte
// taken out and every list size counting what is left.
std::string Unpadded(const std::string& chunks);
// "RIFF", the size of what follows it ("WAVE" + chunks), "WAVE", chunks.
std::string Riff(const std::string& chunks);
// The same with a RIFF size of your choice.
std::string Riff(std::uint32_t riffSize, const std::string& chunks);

std::string U64(std::uint64_t value);
// "ds64" with the 64-bit sizes given and a table of (id, size) entries.
std::string Ds64(std::uint64_t riffSize, std::uint64_t dataSize, std::uint64_t sampleCount,
                 const std::vector<std::pair<std::string, std::uint64_t>>& table = {});
// An RF64 file: "RF64", 0xFFFFFFFF, "WAVE", a "ds64" stating the sizes,
// `fmt`, a "data" chunk whose size field holds 0xFFFFFFFF, then `rest`.
std::string Rf64(const std::string& fmt, const std::string& samples, const std::string& rest = "");

// "fmt " chunks. Plain PCM: 16-byte body, tag 1.
std::string PcmFmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits);
// Any tag with an extension: 18 + extension bytes (ExtraSize = its length).
std::string FmtWithExtension(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                             std::uint16_t bits, const std::string& extension);
// WAVE_FORMAT_EXTENSIBLE (tag 0xFFFE) for PCM samples: a 40-byte body with
// its 22 extension bytes (valid bits, channel mask, PCM sub-format GUID).
std::string ExtensibleFmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                          std::uint32_t channelMask);

// `frames` frames of integer PCM samples of `bits` bits (8 unsigned, 16, 24,
// 32 signed): a deterministic waveform, different in every channel.
std::string Samples(std::uint16_t bits, std::uint16_t channels, std::uint32_t frames);
// A whole PCM file: fmt and data.
std::string PcmWave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint32_t frames);

// A sine of `hz` at `rate`, `amplitude` of full scale (1: 32767), as
// 16-bit samples.
std::vector<std::int16_t> Sine16(std::uint32_t rate, double hz, double amplitude, std::uint32_t frames);
// Interleaved 16-bit samples as stored.
std::string Pcm16(const std::vector<std::int16_t>& samples);
// IMA ADPCM (tag 0x0011): its "fmt " chunk, whose extension states the
// frames of a block of `blockAlign` bytes, and interleaved 16-bit samples
// encoded in such blocks (each channel's header holding its first sample,
// the step index carried on), the last block padded with silence. A
// "fact" chunk should then state the frames.
std::string ImaAdpcmFmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t blockAlign);
std::string ImaAdpcm(std::uint16_t channels, std::uint16_t blockAlign, const std::vector<std::int16_t>& samples);

struct CueRecord {
    std::uint32_t cueID = 0, position = 0;
    std::string dataChunkID = "data";
    std::uint32_t chunkStart = 0, blockStart = 0, sampleOffset = 0;
};
// "cue " with CuePointCount = the number of records.
std::string Cue(const std::vector<CueRecord>& points);

// "LIST" of `type` ("adtl", "INFO", ...) holding `subChunks` (already built).
std::string List(const std::string& type, const std::string& subChunks);
// "labl": the cue id, the text and its terminating NUL (padded when odd).
std::string Labl(std::uint32_t cueID, const std::string& text);
// "ltxt": the 20 fixed bytes and `text` as stored after them.
std::string Ltxt(std::uint32_t cueID, std::uint32_t sampleLength, const std::string& purpose,
                 std::uint16_t country, std::uint16_t language, std::uint16_t dialect,
                 std::uint16_t codePage, const std::string& text = "");

// A region (length above 0) or a point, and its label ("" for none).
struct Mark {
    std::uint32_t start = 0, length = 0;
    std::string label = "";
};
// "cue " with point n + 1 at each mark's start, then a LIST "adtl" with its
// "labl" where it has a label and its "ltxt" ("rgn ") where it has a length.
std::string Marks(const std::vector<Mark>& marks);

struct Loop {
    std::uint32_t start = 0, end = 0, type = 0, playCount = 0;
};
// "smpl" with unity note 60 and pitch fraction `fraction`, no SMPTE offset
// and no sampler data, then the loops (cue id 0, fraction 0).
std::string Smpl(const std::vector<Loop>& loops, std::uint32_t fraction = 0);

struct Phoneme {
    std::string tag = "";  // up to 4 characters, zero-padded
    std::uint16_t code = 0;
    float a = 0, b = 0;
};
struct Word {
    std::string word = "";  // up to 32 characters, zero-padded
    std::int32_t intA = 0, intB = 0;
    float a = 0, b = 0;
    std::vector<Phoneme> phonemes = {};
};
// "phnm" with its counts taken from the contents.
std::string Phnm(const std::string& text, const std::vector<Word>& words);
// The body of a phoneme record / word record alone, for damaged layouts.
std::string PhonemeRecord(const Phoneme& phoneme);
std::string WordRecord(const Word& word, std::int32_t phonemeCount);

// An ID3v2 tag, the body of an "id3 " chunk. Its numbers are big-endian.
// Four bytes of 7 bits each, high first (the tag's size; 2.4's frame sizes).
std::string Syncsafe(std::uint32_t value);
// A frame of `major` version 2 (3-char id, 3-byte size), 3 (4-char id, u32
// size, 2 flag bytes) or 4 (syncsafe size): `format` is the second flag byte.
std::string Id3Frame(int major, const std::string& id, const std::string& body, std::uint8_t format = 0);
// "ID3", the version (revision 0), `flags`, the size of `frames`, then them.
std::string Id3v2Tag(int major, std::uint8_t flags, const std::string& frames);

}  // namespace WaveBuilder
