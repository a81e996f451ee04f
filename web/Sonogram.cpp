#include "web/Sonogram.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "wave/Audio.h"
#include "web/Waveform.h"

namespace {

using Complex = std::complex<double>;

constexpr std::size_t kWindow = kSpectrogramWindow;
constexpr std::size_t kBins = kWindow / 2 + 1;  // 0 to half the rate
static_assert((kWindow & (kWindow - 1)) == 0, "the transform takes a power of two");

// An in-place radix-2 transform of kWindow points: the bit-reversed order,
// then log2(kWindow) passes of butterflies, the twiddles taken from one table.
class Transform {
public:
    Transform() : twiddles_(kWindow / 2), reversed_(kWindow) {
        for (std::size_t k = 0; k < kWindow / 2; ++k) {
            twiddles_[k] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k) / kWindow);
        }
        int bits = 0;
        while ((std::size_t{1} << bits) < kWindow) ++bits;
        for (std::size_t i = 0; i < kWindow; ++i) {
            std::size_t r = 0;
            for (int b = 0; b < bits; ++b) r |= ((i >> b) & 1u) << (bits - 1 - b);
            reversed_[i] = r;
        }
    }

    void operator()(std::vector<Complex>& data) const {
        for (std::size_t i = 0; i < kWindow; ++i) {
            if (i < reversed_[i]) std::swap(data[i], data[reversed_[i]]);
        }
        for (std::size_t half = 1; half < kWindow; half *= 2) {
            const std::size_t stride = kWindow / (2 * half);
            for (std::size_t start = 0; start < kWindow; start += 2 * half) {
                for (std::size_t k = 0; k < half; ++k) {
                    const Complex odd = data[start + k + half] * twiddles_[k * stride];
                    data[start + k + half] = data[start + k] - odd;
                    data[start + k] += odd;
                }
            }
        }
    }

private:
    std::vector<Complex> twiddles_;
    std::vector<std::size_t> reversed_;
};

// The strongest level in the band [lo, hi] (in bins, 0 <= lo <= hi <= the
// last bin): the bins inside it, the level between the two bins around each
// edge, and any peak inside it -- a peak between two bins is found where the
// parabola through the levels of its bin and the two beside it tops, at
// about its true height.
double BandLevel(const std::vector<double>& db, double lo, double hi) {
    const auto between = [&](double x) {
        const auto k = std::min(static_cast<std::size_t>(x), kBins - 2);
        const double t = x - static_cast<double>(k);
        return db[k] + t * (db[k + 1] - db[k]);
    };
    double best = std::max(between(lo), between(hi));
    const auto first = static_cast<std::size_t>(std::floor(lo));
    const auto last = std::min(kBins - 1, static_cast<std::size_t>(std::ceil(hi)));
    for (std::size_t k = first; k <= last; ++k) {
        const auto at = static_cast<double>(k);
        if (at >= lo && at <= hi) best = std::max(best, db[k]);
        // A real signal's spectrum mirrors about 0 and about half the rate.
        const double before = db[k == 0 ? 1 : k - 1];
        const double after = db[k + 1 == kBins ? k - 1 : k + 1];
        const double bend = (before + after) / 2 - db[k];
        if (db[k] < before || db[k] < after || bend >= 0) continue;  // no peak here
        const double slope = (after - before) / 2;
        const double t = -slope / (2 * bend);  // within half a bin of k
        if (at + t >= lo && at + t <= hi) best = std::max(best, db[k] + t * slope + t * t * bend);
    }
    return best;
}

std::uint8_t Level(double db) {
    const double level = std::round((db - kSpectrogramFloorDb) / -kSpectrogramFloorDb * 255.0);
    return static_cast<std::uint8_t>(std::clamp(level, 0.0, 255.0));
}

// The frame in the middle of column `column` of `columns` over `count`
// frames from `first`: first + (2c + 1) * count / (2 * columns), worked out
// in parts that cannot overflow 64 bits.
std::uint64_t MiddleFrame(std::uint64_t first, std::uint64_t count, std::uint64_t column, std::uint64_t columns) {
    const std::uint64_t twice = 2 * columns;
    const std::uint64_t odd = 2 * column + 1;
    return first + count / twice * odd + count % twice * odd / twice;
}

}  // namespace

Spectrogram DrawSpectrogram(const WAVE_File& wave, std::istream* input, std::uint64_t from, std::uint64_t length, int columns, int rows) {
    Spectrogram spectrogram;
    WaveFrames frames(wave, input);
    spectrogram.Reason = frames.Reason();
    const double rate = wave.FmtChunk.SamplesPerSec;
    if (!frames.Decodable()) return spectrogram;
    if (rate <= 0) {
        spectrogram.Reason = "the format's sample rate is 0";
        return spectrogram;
    }
    spectrogram.Decodable = true;
    spectrogram.Frames = frames.Frames();
    spectrogram.First = std::min(from, spectrogram.Frames);
    spectrogram.Count = std::min(length, spectrogram.Frames - spectrogram.First);
    // The samples read stay within kMostSpectrogramSamples whatever the format claims.
    const std::uint64_t channels = std::max<std::uint64_t>(1, wave.FmtChunk.Channels);
    const auto most = static_cast<int>(std::clamp<std::uint64_t>(kMostSpectrogramSamples / (kWindow * channels), 1, kMostSpectrogramColumns));
    spectrogram.Columns = std::clamp(columns, 1, most);
    spectrogram.Rows = std::clamp(rows, 1, kMostSpectrogramRows);
    const auto columnCount = static_cast<std::size_t>(spectrogram.Columns);
    const auto rowCount = static_cast<std::size_t>(spectrogram.Rows);
    spectrogram.Values.assign(columnCount * rowCount, 0);

    // The axis: from 20 Hz (or the first bin above 0, if higher) to half the
    // rate; a rate too low for 20 Hz starts at the first bin.
    const double binHz = rate / kWindow;
    spectrogram.HighHz = rate / 2;
    spectrogram.LowHz = std::max(kSpectrogramLowestHz, binHz);
    if (spectrogram.LowHz >= spectrogram.HighHz) spectrogram.LowHz = binHz;
    // Each row's band in bins, its edges equal steps apart on a log scale.
    std::vector<double> edges(rowCount + 1);
    for (std::size_t r = 0; r <= rowCount; ++r) {
        const double share = static_cast<double>(r) / static_cast<double>(rowCount);
        edges[r] = spectrogram.LowHz * std::pow(spectrogram.HighHz / spectrogram.LowHz, share) / binHz;
    }
    edges.back() = static_cast<double>(kBins - 1);

    std::vector<double> window(kWindow);
    double gain = 0;
    for (std::size_t n = 0; n < kWindow; ++n) {
        window[n] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(n) / kWindow);
        gain += window[n];
    }
    // A full-scale sine on a bin: the window's sum, halved (the other half
    // stands at the negative frequency).
    const double fullScale = gain / 2;

    const Transform transform;
    std::vector<float> mixed(kWindow);
    std::vector<Complex> data(kWindow);
    std::vector<double> db[2] = {std::vector<double>(kBins), std::vector<double>(kBins)};
    // The frames of column `column`'s window, mixed and windowed: frames
    // before the sound's first are silence.
    const auto read = [&](std::size_t column, int part) {
        const std::uint64_t middle = MiddleFrame(spectrogram.First, spectrogram.Count, column, columnCount);
        const std::uint64_t half = kWindow / 2;
        const std::size_t silent = middle >= half ? 0 : static_cast<std::size_t>(half - middle);
        std::fill(mixed.begin(), mixed.begin() + static_cast<std::ptrdiff_t>(silent), 0.0f);
        frames.Mix(middle + silent - half, kWindow - silent, mixed.data() + silent);
        for (std::size_t n = 0; n < kWindow; ++n) {
            const double value = mixed[n] * window[n];
            data[n] = part == 0 ? Complex(value, 0) : Complex(data[n].real(), value);
        }
    };
    const auto put = [&](std::size_t column, const std::vector<double>& levels) {
        std::uint8_t* out = spectrogram.Values.data() + column * rowCount;
        for (std::size_t r = 0; r < rowCount; ++r) {
            const double lo = std::clamp(edges[r], 0.0, static_cast<double>(kBins - 1));
            const double hi = std::clamp(edges[r + 1], lo, static_cast<double>(kBins - 1));
            out[r] = Level(BandLevel(levels, lo, hi));
        }
    };
    // Two columns a transform: one real signal in the real part, the next in
    // the imaginary part, told apart by the spectrum's symmetry.
    // A span without frames stays silent.
    for (std::size_t column = 0; column < columnCount && spectrogram.Count > 0; column += 2) {
        const bool pair = column + 1 < columnCount;
        read(column, 0);
        if (pair) read(column + 1, 1);
        transform(data);
        for (std::size_t k = 0; k < kBins; ++k) {
            const Complex z = data[k];
            const Complex mirror = std::conj(data[(kWindow - k) % kWindow]);
            const double magnitudes[2] = {std::abs(z + mirror) / 2, std::abs(z - mirror) / 2};
            for (int part = 0; part < 2; ++part) {
                db[part][k] = 20.0 * std::log10(std::max(magnitudes[part] / fullScale, 1e-7));
            }
        }
        put(column, db[0]);
        if (pair) put(column + 1, db[1]);
    }
    return spectrogram;
}
