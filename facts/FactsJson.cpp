#include "facts/FactsJson.h"

#include <cmath>
#include <cstring>
#include <sstream>

#include "common/LittleEndian.h"
#include "facts/JsonStream.h"
#include "facts/Utf8.h"
#include "package/KZ_Package.h"

namespace FactsJson {

namespace {

using namespace Facts;

// The length of the well-formed UTF-8 sequence at text[at], or 0.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    if (static_cast<unsigned char>(text[at]) < 0x80) return 1;
    std::uint32_t code = 0;
    return Utf8::MultiByteLength(text, at, code);
}

// `bytes` as valid UTF-8: every byte that begins no well-formed sequence
// becomes U+FFFD. Sets `replaced` when one did.
std::string ValidUtf8(std::string_view bytes, bool& replaced) {
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";
    std::string text;
    text.reserve(bytes.size());
    replaced = false;
    for (std::size_t i = 0; i < bytes.size();) {
        if (const std::size_t length = SequenceLength(bytes, i)) {
            text.append(bytes.substr(i, length));
            i += length;
        } else {
            text += kReplacement;
            replaced = true;
            ++i;
        }
    }
    return text;
}

json SecondsOf(const std::optional<Duration>& time) { return time ? json(time->Seconds()) : json(nullptr); }

}  // namespace

std::string CodeBytes(std::uint32_t code) {
    std::string bytes(4, '\0');
    for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((code >> (8 * i)) & 0xFF);
    return bytes;
}

void PutCode(json& object, const std::string& key, std::uint32_t code) { PutText(object, key, CodeBytes(code)); }

void PutText(json& object, const std::string& key, std::string_view bytes) {
    bool replaced = false;
    object[key] = ValidUtf8(bytes, replaced);
    if (!replaced) return;
    json values = json::array();
    for (const char byte : bytes) values.push_back(static_cast<unsigned char>(byte));
    object[key + "_bytes"] = std::move(values);
}

json FindingJson(const Finding& finding) {
    json object;
    object["code"] = KindOf(finding.code).name;
    object["severity"] = SeverityName(finding.severity);
    PutText(object, "message", finding.text);
    json values = json::object();
    for (const auto& [name, value] : finding.values) {
        const std::string key(name);
        if (const auto* text = std::get_if<std::string>(&value)) {
            PutText(values, key, *text);
        } else if (const auto* number = std::get_if<std::uint64_t>(&value)) {
            values[key] = *number;
        } else {
            values[key] = std::get<std::int64_t>(value);
        }
    }
    object["values"] = std::move(values);
    return object;
}



json Document(json files) {
    json document;
    document["schema"] = kSchema;
    document["program"] = "Snd_Info";
    document["version"] = SND_VERSION;
    document["files"] = std::move(files);
    return document;
}

std::string Dump(const json& document) { return document.dump(2, ' ', false, json::error_handler_t::replace) + '\n'; }

json Audio(const Facts::Audio& audio) {
    json object;
    object["format"] = audio.formatName.empty() ? json(nullptr) : json(std::string(audio.formatName));
    object["format_tag"] = audio.formatTag;
    if (audio.subFormatTag != 0) object["sub_format_tag"] = audio.subFormatTag;
    object["channels"] = audio.channels;
    object["rate"] = audio.rate;
    object["bits"] = audio.bits;
    object["block_align"] = audio.blockAlign;
    object["bytes_per_second"] = audio.bytesPerSecond;
    object["data_bytes"] = audio.hasData ? json(audio.dataBytes) : json(nullptr);
    object["frames"] = audio.frames ? json(*audio.frames) : json(nullptr);
    if (audio.blocks) object["blocks"] = *audio.blocks;
    object["duration"] = SecondsOf(audio.duration);
    return object;
}

json ErrorFile(const std::string& path, const Finding& error) {
    json file;
    PutText(file, "path", path);
    file["type"] = "error";
    file["warnings"] = json::array();
    file["errors"] = json::array({FindingJson(error)});
    return file;
}

json WaveFile(const Facts::Wave& wave, const std::string& path) {
    std::ostringstream text;
    JsonStream out(text);
    WriteWaveFile(out, wave, path, json::object());
    return json::parse(text.str());
}

}  // namespace FactsJson
