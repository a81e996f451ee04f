#include "facts/JsonStream.h"

#include <algorithm>
#include <string>

#include "facts/Utf8.h"

namespace {

constexpr std::size_t kIndent = 2;

}  // namespace

void JsonStream::Indent(std::size_t levels) {
    static constexpr std::string_view kSpaces = "                                                                ";
    for (std::size_t left = levels * kIndent; left > 0;) {
        const std::size_t step = std::min(left, kSpaces.size());
        out_.write(kSpaces.data(), static_cast<std::streamsize>(step));
        left -= step;
    }
}

void JsonStream::Item() {
    if (keyed_) {
        keyed_ = false;
        return;
    }
    if (levels_.empty()) return;
    Level& level = levels_.back();
    out_ << (level.empty ? "\n" : ",\n");
    level.empty = false;
    Indent(levels_.size());
}

JsonStream& JsonStream::Key(std::string_view key) {
    Item();
    Escaped(key);
    out_ << ": ";
    keyed_ = true;
    return *this;
}

void JsonStream::Open(char bracket) {
    Item();
    out_.put(bracket);
    levels_.push_back({bracket == '{' ? '}' : ']', true});
}

void JsonStream::End() {
    // A member whose value never came (its writer stopped on a fault) is null.
    if (keyed_) Value(nullptr);
    const Level level = levels_.back();
    levels_.pop_back();
    if (!level.empty) {
        out_.put('\n');
        Indent(levels_.size());
    }
    out_.put(level.close);
}

void JsonStream::Value(const json& value) {
    Item();
    const std::string text = value.dump(kIndent, ' ', false, json::error_handler_t::replace);
    // Every line after the first is shifted right to the depth it stands at.
    std::size_t from = 0;
    for (std::size_t newline; (newline = text.find('\n', from)) != std::string::npos; from = newline + 1) {
        out_.write(text.data() + from, static_cast<std::streamsize>(newline + 1 - from));
        Indent(levels_.size());
    }
    out_.write(text.data() + from, static_cast<std::streamsize>(text.size() - from));
}

void JsonStream::Unsigned(std::uint64_t value) {
    Item();
    out_ << value;
}

bool JsonStream::String(std::string_view bytes) {
    Item();
    return Escaped(bytes);
}

bool JsonStream::Escaped(std::string_view bytes) {
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";
    static constexpr char kHex[] = "0123456789abcdef";
    // Written through a small buffer: a text of megabytes is never copied whole.
    std::string& buffer = buffer_;
    buffer.clear();
    const auto flush = [&] {
        out_.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        buffer.clear();
    };
    bool replaced = false;
    out_.put('"');
    for (std::size_t i = 0; i < bytes.size();) {
        if (buffer.size() >= 4096) flush();
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x80) {
            std::uint32_t code = 0;
            if (const std::size_t length = Utf8::MultiByteLength(bytes, i, code)) {
                buffer.append(bytes.substr(i, length));
                i += length;
            } else {
                buffer += kReplacement;
                replaced = true;
                ++i;
            }
            continue;
        }
        ++i;
        switch (byte) {
            case '"': buffer += "\\\""; break;
            case '\\': buffer += "\\\\"; break;
            case '\b': buffer += "\\b"; break;
            case '\f': buffer += "\\f"; break;
            case '\n': buffer += "\\n"; break;
            case '\r': buffer += "\\r"; break;
            case '\t': buffer += "\\t"; break;
            default:
                if (byte < 0x20) {
                    buffer += "\\u00";
                    buffer += kHex[byte >> 4];
                    buffer += kHex[byte & 0xF];
                } else {
                    buffer += static_cast<char>(byte);
                }
        }
    }
    flush();
    out_.put('"');
    return replaced;
}

void JsonStream::Text(std::string_view key, std::string_view bytes) {
    Key(key);
    if (!String(bytes)) return;
    Key(std::string(key) + "_bytes");
    BeginArray();
    for (const char byte : bytes) Unsigned(static_cast<unsigned char>(byte));
    End();
}

void JsonStream::Code(std::string_view key, std::uint32_t code) {
    char bytes[4];
    for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((code >> (8 * i)) & 0xFF);
    Text(key, std::string_view(bytes, 4));
}
