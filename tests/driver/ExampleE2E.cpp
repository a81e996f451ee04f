// The bundled example, made as scripts/example.sh makes it, exported by the
// built Snd_Pull: the messages of the README and five playable WAVE files.
#include <gtest/gtest.h>

#include <cstdint>

#include "kit/Example.h"
#include "tests/support/RunTool.h"

namespace {

using namespace TestSupport;

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

TEST(ExampleE2E, ExportsTheBundledExample) {
    TempDir dir;
    WriteExample(dir.Path());
    const auto result = TestSupport::Run(SndPullPath(), {"batch", "/i:pk", "/o:out"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0);
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
    for (const char* name : {"Wind01", "Birds", "Bell", "Rain", "Thunder"}) {
        SCOPED_TRACE(name);
        const std::string wave = dir.Read(std::string("out/") + name + ".wav");
        EXPECT_EQ(wave, ExampleWave(name));
        // PCM, mono, 22050 Hz, 16 bits, a RIFF size that matches the file.
        ASSERT_GT(wave.size(), 44u);
        EXPECT_EQ(wave.substr(0, 4), "RIFF");
        EXPECT_EQ(U32At(wave, 4), wave.size() - 8);
        EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(U32At(wave, 20), 0x00010001u);
        EXPECT_EQ(U32At(wave, 24), 22050u);
        EXPECT_EQ(U32At(wave, 32), 0x00100002u);
        EXPECT_EQ(wave.substr(36, 4), "data");
        EXPECT_EQ(U32At(wave, 40), wave.size() - 44);
    }
}

}  // namespace
