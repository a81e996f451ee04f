// Small helpers shared by the WAVE model tests.
#pragma once

#include <iostream>
#include <sstream>
#include <string>

#include "kit/WaveBuilder.h"
#include "wave/Audio.h"

namespace WaveTest {

// A stream over stored chunk bytes, standing just after the 4-byte
// identifier, as the chunk loaders expect.
inline std::istringstream AfterID(const std::string& chunk) { return std::istringstream(chunk.substr(4)); }

// What a chunk saves after CalcSize, as the file save does it.
inline std::string Saved(RIFF_Chunk& chunk) {
    chunk.CalcSize();
    std::ostringstream out;
    chunk.SaveData(out);
    return out.str();
}

inline std::string Saved(WAVE_File& wave) {
    std::ostringstream out;
    wave.SaveData(out);
    return out.str();
}

// What the model saves for a stored file: what Snd_Info's /w: must write.
inline std::string ModelSaves(const std::string& bytes) {
    std::istringstream in(bytes);
    WAVE_File wave;
    wave.LoadData(in);
    return Saved(wave);
}

inline std::string Rest(std::istream& in) {
    std::ostringstream rest;
    rest << in.rdbuf();
    return rest.str();
}

// Captures what is written to std::cout while it lives.
class CoutCapture {
public:
    CoutCapture() : old_(std::cout.rdbuf(text_.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(old_); }
    std::string Text() const { return text_.str(); }

private:
    std::ostringstream text_;
    std::streambuf* old_;
};

// The identifiers of a chain, joined: "LIST,cue ".
inline std::string ChainIDs(const RIFF_Chunk* chunk) {
    std::string ids;
    for (; chunk != nullptr; chunk = chunk->GetNextChunk()) {
        if (!ids.empty()) ids += ',';
        for (int i = 0; i < 4; ++i) ids += static_cast<char>((chunk->ChunkID >> (8 * i)) & 0xFF);
    }
    return ids;
}

}  // namespace WaveTest
