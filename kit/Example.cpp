#include "kit/Example.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "kit/Files.h"
#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"

namespace TestSupport {

namespace {

constexpr std::uint32_t kRate = 22050;
constexpr double kTwoPi = 2 * std::numbers::pi;

// A fixed pseudo-random sequence in [-1, 1), the same on every system.
class Noise {
public:
    double Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<double>(state_) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t state_ = 2463534242u;
};

std::vector<double> Silence(double seconds) { return std::vector<double>(static_cast<std::size_t>(seconds * kRate)); }

std::string ToWave(const std::vector<double>& signal) {
    std::vector<std::int16_t> samples(signal.size());
    std::transform(signal.begin(), signal.end(), samples.begin(), [](double x) {
        return static_cast<std::int16_t>(std::lround(32767.0 * std::clamp(x, -1.0, 1.0)));
    });
    return PcmWave(samples, kRate);
}

// Wind: noise through a slowly sweeping one-pole low-pass, swelling and fading.
std::string Wind() {
    auto signal = Silence(2.0);
    Noise noise;
    double low = 0;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double cutoff = 0.02 + 0.03 * (1 + std::sin(kTwoPi * 0.7 * t));
        low += cutoff * (noise.Next() - low);
        signal[i] = 2.5 * low * std::sin(std::numbers::pi * t / 2.0);
    }
    return ToWave(signal);
}

// Birds: three short chirps rising from 2 to 4 kHz.
std::string Birds() {
    auto signal = Silence(1.2);
    for (const double start : {0.1, 0.45, 0.6}) {
        const double length = 0.12;
        double phase = 0;
        const auto first = static_cast<std::size_t>(start * kRate);
        for (std::size_t i = 0; i < static_cast<std::size_t>(length * kRate); ++i) {
            const double u = static_cast<double>(i) / (length * kRate);
            phase += kTwoPi * (2000 + 2000 * u) / kRate;
            signal[first + i] += 0.4 * std::sin(std::numbers::pi * u) * std::sin(phase);
        }
    }
    return ToWave(signal);
}

// Bell: a few inharmonic partials of 660 Hz with an exponential decay.
std::string Bell() {
    auto signal = Silence(1.5);
    const double partials[][2] = {{1.0, 0.5}, {2.76, 0.2}, {5.4, 0.1}};
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double x = 0;
        for (const auto& p : partials) x += p[1] * std::exp(-t * 3 * p[0]) * std::sin(kTwoPi * 660 * p[0] * t);
        signal[i] = std::min(1.0, t * 500) * x;
    }
    return ToWave(signal);
}

// Rain: a hiss with scattered drops.
std::string Rain() {
    auto signal = Silence(1.5);
    Noise noise;
    double high = 0;
    double previous = 0;
    double drop = 0;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const double n = noise.Next();
        high = 0.9 * (high + n - previous);
        previous = n;
        if (noise.Next() > 0.9993) drop = 0.6;
        drop *= 0.995;
        const double t = static_cast<double>(i) / kRate;
        signal[i] = std::min(1.0, t * 10) * std::min(1.0, (1.5 - t) * 10) * (0.15 * high + drop * noise.Next());
    }
    return ToWave(signal);
}

// Thunder: a noise burst through a low-pass, with a long decay.
std::string Thunder() {
    auto signal = Silence(2.0);
    Noise noise;
    double low = 0;
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        low += 0.01 * (noise.Next() - low);
        signal[i] = 6.0 * low * std::min(1.0, t * 20) * std::exp(-t * 1.8);
    }
    return ToWave(signal);
}


// Pad: a soft chord of three partials, swelling in over its first half
// second, at 22050 Hz: 2 s, so 44100 frames.
std::vector<std::int16_t> PadSamples() {
    auto signal = Silence(2.0);
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        double x = 0;
        for (const double f : {220.0, 277.18, 329.63}) x += 0.2 * std::sin(kTwoPi * f * t);
        signal[i] = std::min(1.0, t * 2) * x;
    }
    std::vector<std::int16_t> samples(signal.size());
    std::transform(signal.begin(), signal.end(), samples.begin(),
                   [](double x) { return static_cast<std::int16_t>(std::lround(32767.0 * x)); });
    return samples;
}

// `text` in a fixed field of `size` bytes, padded with NULs.
std::string Field(const std::string& text, std::size_t size) {
    std::string field = text.substr(0, size);
    field.resize(size, '\0');
    return field;
}

// An ID3v2.3 text frame: id, big-endian size, two flag bytes, encoding 0
// (ISO-8859-1), the text.
std::string Id3Frame(const std::string& id, const std::string& text) {
    const std::size_t size = text.size() + 1;
    return id + std::string{'\0', '\0', static_cast<char>(size >> 8), static_cast<char>(size & 0xFF)} +
           std::string(2, '\0') + '\0' + text;
}

// The studio's take of the pad, as a recorder and a tag editor leave it: a
// broadcast extension chunk (version 1, recorded at 01:00:00 on the
// production's clock), two labelled regions, a sampler loop over the
// sustain, and an ID3 tag.
std::string PadWave() {
    using namespace WaveBuilder;
    const std::vector<std::int16_t> samples = PadSamples();
    std::string data;
    for (const std::int16_t s : samples) data += WaveBuilder::U16(static_cast<std::uint16_t>(s));
    const std::uint32_t frames = static_cast<std::uint32_t>(samples.size());

    const std::string bext = Field("Pad, one take", 256) + Field("Snd_Pull example", 32) +
                             Field("STUDIO-0001", 32) + "2026-12-09" + "10:30:00" +
                             WaveBuilder::U32(kRate * 3600) + WaveBuilder::U32(0) + WaveBuilder::U16(1) +
                             std::string(64 + 10 + 180, '\0') + "A=PCM,F=22050,W=16,M=mono,T=example\r\n";
    const std::string tagFrames = Id3Frame("TIT2", "Pad") + Id3Frame("TPE1", "Snd_Pull example") +
                                Id3Frame("TALB", "Studio") + Id3Frame("TYER", "2026") + Id3Frame("TCON", "(26)");
    // Header: "ID3", version 3.0, no flags, the size in four 7-bit bytes.
    const std::size_t tagSize = tagFrames.size();
    const std::string id3 = std::string("ID3\x03\x00\x00", 6) +
                            std::string{static_cast<char>(tagSize >> 21 & 0x7F), static_cast<char>(tagSize >> 14 & 0x7F),
                                        static_cast<char>(tagSize >> 7 & 0x7F), static_cast<char>(tagSize & 0x7F)} +
                            tagFrames;
    // "smpl": manufacturer, product, sample period (ns), unity note 57 (A3),
    // pitch fraction, SMPTE format and offset, one loop, no sampler data;
    // the loop: no cue point, forward, frames 22050 to the last, for ever.
    const std::string smpl = WaveBuilder::U32(0) + WaveBuilder::U32(0) + WaveBuilder::U32(1000000000 / kRate) +
                             WaveBuilder::U32(57) + WaveBuilder::U32(0) + WaveBuilder::U32(0) + WaveBuilder::U32(0) +
                             WaveBuilder::U32(1) + WaveBuilder::U32(0) + WaveBuilder::U32(0) + WaveBuilder::U32(0) +
                             WaveBuilder::U32(kRate) + WaveBuilder::U32(frames - 1) + WaveBuilder::U32(0) +
                             WaveBuilder::U32(0);
    // Two regions: the swell (the first half second) and the sustain.
    const std::string cue = Cue({{1, 0, "data", 0, 0, 0}, {2, kRate / 2, "data", 0, 0, kRate / 2}});
    const std::string adtl = List("adtl", Labl(1, "Swell") + Labl(2, "Sustain") +
                                              Ltxt(1, kRate / 2, "rgn ", 0, 0, 0, 0) +
                                              Ltxt(2, frames - kRate / 2, "rgn ", 0, 0, 0, 0));
    return Riff(PcmFmt(1, kRate, 16) + Chunk("bext", bext) + Chunk("data", data) + cue + adtl +
                Chunk("smpl", smpl) + Chunk("id3 ", id3));
}

}  // namespace

std::string ExampleWave(const std::string& name) {
    if (name == "Wind01") return Wind();
    if (name == "Birds") return Birds();
    if (name == "Bell") return Bell();
    if (name == "Rain") return Rain();
    if (name == "Thunder") return Thunder();
    if (name == "Pad") return PadWave();
    return {};
}

void WriteExample(const std::filesystem::path& folder) {
    PackageBuilder ambient;
    ambient.Name("Ambient");
    for (const char* name : {"Wind01", "Birds", "Bell"}) ambient.AddSound(name, ExampleWave(name));
    ambient.Write(folder / "pk" / "Ambient.kzs");

    PackageBuilder weather;
    weather.Name("Weather");
    for (const char* name : {"Rain", "Thunder"}) weather.AddSound(name, ExampleWave(name));
    weather.Write(folder / "pk" / "Weather.kzs");

    // Sounds in groups: a group is an export of class Package, and each
    // export names the one it stands in. "Hit" stands in two groups.
    PackageBuilder forest;
    forest.Name("Forest");
    const std::int32_t wind = forest.AddGroup("Wind");
    const std::int32_t gusts = forest.AddGroup("Gusts", wind);
    const std::int32_t birds = forest.AddGroup("Birds");
    forest.AddSound("Hit", ExampleWave("Thunder"), {}, wind);
    forest.AddSound("Hit", ExampleWave("Wind01"), {}, gusts);
    forest.AddSound("Morning", ExampleWave("Birds"), {}, birds);
    forest.Write(folder / "pk" / "Forest.kzs");

    // A sound with what a studio leaves inside it: metadata, regions, a loop.
    PackageBuilder studio;
    studio.Name("Studio");
    studio.AddSound("Pad", ExampleWave("Pad"));
    studio.Write(folder / "pk" / "Studio.kzs");

    WriteFile(folder / "batch.dpl",
              "Ambient;\n"
              "Wind01\n"
              "Birds\n"
              "Bell\n"
              "Nope\n"
              "\n"
              "Gone;\n"
              "Rain\n"
              "\n"
              "Weather;\n"
              "Rain\n"
              "Thunder\n");
    std::filesystem::create_directories(folder / "out");
}

}  // namespace TestSupport
