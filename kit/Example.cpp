#include "kit/Example.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "kit/Files.h"
#include "kit/PackageBuilder.h"

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

}  // namespace

std::string ExampleWave(const std::string& name) {
    if (name == "Wind01") return Wind();
    if (name == "Birds") return Birds();
    if (name == "Bell") return Bell();
    if (name == "Rain") return Rain();
    if (name == "Thunder") return Thunder();
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
