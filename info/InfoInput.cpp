#include "info/InfoInput.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <vector>

#include "common/LittleEndian.h"
#include "common/Platform.h"
#include "info/InfoReport.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"

namespace InfoInput {

namespace {

WaveLoad Mode(Load load) { return load == Load::HeadersOnly ? WaveLoad::HeadersOnly : WaveLoad::Everything; }

// "RIFF", size, "WAVE": the bytes that decide the type.
constexpr std::size_t kTypeBytes = 12;

// The bytes already read for the type check, then the rest of a stream that
// cannot go back to them. Cannot seek: readers of the WAVE model then grow
// their buffers as the bytes arrive.
class PrefixedInput : public std::streambuf {
public:
    PrefixedInput(std::string prefix, std::streambuf* rest) : prefix_(std::move(prefix)), rest_(rest) {
        setg(prefix_.data(), prefix_.data(), prefix_.data() + prefix_.size());
    }

protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        buffer_.resize(kBufferSize);
        const std::streamsize got = rest_->sgetn(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        if (got <= 0) return traits_type::eof();
        setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
        return traits_type::to_int_type(*gptr());
    }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    std::string prefix_;
    std::streambuf* rest_;
    std::vector<char> buffer_;
};

Type TypeOf(const std::string& first) {
    if (first.size() < 4 || first.compare(0, 4, "RIFF") != 0) return Type::Other;
    if (first.size() < kTypeBytes || first.compare(8, 4, "WAVE") != 0) return Type::DamagedRiff;
    return Type::Wave;
}

}  // namespace

Input::~Input() = default;

bool Input::Open(const std::string& path) {
    std::streambuf* source = nullptr;
    const bool standardInput = path == kStandardInput;
    if (standardInput) {
        source = std::cin.rdbuf();
    } else {
        Platform::OpenInput(file_, path);
        if (!file_.is_open() || file_.fail()) return false;
        source = file_.rdbuf();
    }
    // Where the input begins: standard input may stand anywhere in a file.
    const std::streampos start = source->pubseekoff(0, std::ios::cur, std::ios::in);
    std::string first(kTypeBytes, '\0');
    const std::streamsize got = std::max<std::streamsize>(source->sgetn(first.data(), kTypeBytes), 0);
    first.resize(static_cast<std::size_t>(got));
    type_ = TypeOf(first);
    // A file goes back to its start; a pipe gets the bytes read put in front.
    const bool rewound = start != std::streampos(-1) && source->pubseekpos(start, std::ios::in) == start;
    reopenable_ = rewound && !standardInput;
    if (!rewound) {
        prefixed_ = std::make_unique<PrefixedInput>(std::move(first), source);
        source = prefixed_.get();
    }
    stream_ = std::make_unique<std::istream>(source);
    return true;
}

void LoadWave(WAVE_File& wave, std::istream& in, Load load) { wave.LoadData(in, Mode(load)); }

std::unique_ptr<WAVE_File> LoadSound(KZ_Package& package, const KZ_Export_Element& entry, Load load) {
    KZ_Sound sound = ::LoadSound(package, entry);
    return sound.GetWAVE(Mode(load));
}

std::string Shown(const std::string& text) { return '\'' + InfoReport::Printable(text) + '\''; }

}  // namespace InfoInput
