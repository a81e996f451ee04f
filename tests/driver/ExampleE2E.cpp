// The bundled example, made as scripts/example.sh makes it, exported by the
// built Snd_Pull: the messages of the README and five playable WAVE files.
// Each file is checked against numbers fixed here (PCM, mono, 22050 Hz, 16
// bits, the sound's length) and against the bytes its package stores, found
// by a reader of the package layout of the test's own.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "kit/Example.h"
#include "tests/support/RunTool.h"

namespace {

using namespace TestSupport;

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

std::uint16_t U16At(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes.at(at)) |
                                      static_cast<unsigned char>(bytes.at(at + 1)) << 8);
}

// A package read just far enough to find a sound's stored bytes: header,
// name table, export table, then the sound object's own header.
class StoredSounds {
public:
    explicit StoredSounds(std::string bytes) : bytes_(std::move(bytes)) {}

    // The WAVE bytes stored for the export named `name`; none when absent.
    std::optional<std::string> Wave(const std::string& name) {
        std::vector<std::string> names;
        at_ = U32At(bytes_, 16);  // NameOffset
        for (std::uint32_t n = U32At(bytes_, 12); n > 0; --n) {
            const std::size_t length = Byte();
            names.push_back(bytes_.substr(at_, length).c_str());  // up to its NUL
            at_ += length + 4;                                     // the name, its flags
        }
        at_ = U32At(bytes_, 24);  // ExportOffset
        for (std::uint32_t n = U32At(bytes_, 20); n > 0; --n) {
            Compact();  // Class
            Compact();  // Super
            at_ += 4;   // Package
            const std::int32_t objectName = Compact();
            at_ += 4;  // ObjectFlags
            const std::int32_t dataSize = Compact();
            const std::int32_t dataOffset = dataSize > 0 ? Compact() : 0;
            if (names.at(static_cast<std::size_t>(objectName)) != name) continue;
            at_ = static_cast<std::size_t>(dataOffset);
            Byte();     // HeaderByte
            Compact();  // HeaderIndex
            at_ += 4;   // HeaderValue
            const std::int32_t waveSize = Compact();
            return bytes_.substr(at_, static_cast<std::size_t>(waveSize));
        }
        return std::nullopt;
    }

private:
    std::uint8_t Byte() { return static_cast<std::uint8_t>(bytes_.at(at_++)); }

    // Sign and 6 bits, then 7 bits a byte while the high bit says more.
    std::int32_t Compact() {
        const std::uint8_t first = Byte();
        std::uint32_t value = first & 0x3F;
        bool more = first & 0x40;
        for (int shift = 6; more && shift <= 27; shift += 7) {
            const std::uint8_t next = Byte();
            value |= static_cast<std::uint32_t>(next & (shift == 27 ? 0x1F : 0x7F)) << shift;
            more = shift < 27 && (next & 0x80);
        }
        return first & 0x80 ? -static_cast<std::int32_t>(value) : static_cast<std::int32_t>(value);
    }

    std::string bytes_;
    std::size_t at_ = 0;
};

TEST(ExampleE2E, ExportsTheBundledExample) {
    TempDir dir;
    WriteExample(dir.Path());
    const auto result = TestSupport::Run(SndPullPath(), {"batch", "/i:pk", "/o:out"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1);  // Nope and Gone
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "\n"
              "Opened 'pk\\Ambient.kzs'\n"
              "Exporting out\\Wind01.wav\n"
              "Exporting out\\Birds.wav\n"
              "Exporting out\\Bell.wav\n"
              "Could not find 'Nope' in package 'pk\\Ambient.kzs'\n"
              "\n"
              "Could not open 'pk\\Gone.kzs'\n"
              "\n"
              "Opened 'pk\\Weather.kzs'\n"
              "Exporting out\\Rain.wav\n"
              "Exporting out\\Thunder.wav\n");

    const struct {
        const char* name;
        const char* package;
        std::uint32_t frames;  // seconds x 22050
    } sounds[] = {{"Wind01", "Ambient", 44100},
                  {"Birds", "Ambient", 26460},
                  {"Bell", "Ambient", 33075},
                  {"Rain", "Weather", 33075},
                  {"Thunder", "Weather", 44100}};
    for (const auto& sound : sounds) {
        SCOPED_TRACE(sound.name);
        const std::string wave = dir.Read(std::string("out/") + sound.name + ".wav");
        ASSERT_EQ(wave.size(), 44 + 2u * sound.frames);
        EXPECT_EQ(wave.substr(0, 4), "RIFF");
        EXPECT_EQ(U32At(wave, 4), wave.size() - 8);
        EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(U32At(wave, 16), 16u);
        EXPECT_EQ(U16At(wave, 20), 1u);  // PCM
        EXPECT_EQ(U16At(wave, 22), 1u);  // mono
        EXPECT_EQ(U32At(wave, 24), 22050u);
        EXPECT_EQ(U32At(wave, 28), 44100u);  // bytes per second
        EXPECT_EQ(U16At(wave, 32), 2u);      // block align
        EXPECT_EQ(U16At(wave, 34), 16u);
        EXPECT_EQ(wave.substr(36, 4), "data");
        EXPECT_EQ(U32At(wave, 40), 2u * sound.frames);

        StoredSounds package(dir.Read(std::string("pk/") + sound.package + ".kzs"));
        EXPECT_EQ(package.Wave(sound.name), wave);
    }
}

// make_example (a program of this host, never run under a runner) answers
// -h and --help with its usage, and writes nothing.
TEST(MakeExample, HelpWritesNothing) {
    TempDir dir;
    for (const char* ask : {"-h", "--help"}) {
        const RunResult result = TestSupport::Run(MAKE_EXAMPLE_PATH, {ask}, dir.Path());
        EXPECT_EQ(result.exitStatus, 0) << ask;
        EXPECT_TRUE(result.out.starts_with("usage: make_example FOLDER\n")) << result.out;
        EXPECT_EQ(result.err, "");
        EXPECT_FALSE(dir.Exists(ask)) << ask;
    }
    const RunResult none = TestSupport::Run(MAKE_EXAMPLE_PATH, {}, dir.Path());
    EXPECT_EQ(none.exitStatus, 2);
    EXPECT_TRUE(none.err.starts_with("usage: make_example FOLDER\n")) << none.err;
}

}  // namespace
