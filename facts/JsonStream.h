// A JSON value written piece by piece, each member and element as it comes,
// in exactly the text nlohmann's dump(2) prints for the value built whole:
// indented by two, "key": value, empty containers as {} and [], strings as
// UTF-8 with the escapes JSON needs. Nothing but the open containers is
// held, so a document of millions of elements costs no more memory than one.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

class JsonStream {
public:
    using json = nlohmann::ordered_json;

    explicit JsonStream(std::ostream& out) : out_(out) {}

    // The name of the next member of the object at hand; its value follows.
    JsonStream& Key(std::string_view key);

    void BeginObject() { Open('{'); }
    void BeginArray() { Open('['); }
    // Closes the innermost object or array.
    void End();

    // A whole value, small enough to build (a leaf, a few fields).
    void Value(const json& value);
    void Unsigned(std::uint64_t value);
    // `bytes` as a JSON string: every byte that begins no well-formed UTF-8
    // sequence becomes U+FFFD. Returns whether one did.
    bool String(std::string_view bytes);

    // Member `key` with `bytes` as its string and, where they are not valid
    // UTF-8, member "<key>_bytes": the stored byte values.
    void Text(std::string_view key, std::string_view bytes);
    // A four-character code as Text puts its four bytes.
    void Code(std::string_view key, std::uint32_t code);

    // How many objects and arrays are open.
    std::size_t Depth() const { return levels_.size(); }

private:
    void Open(char bracket);
    // What stands before a value: after a key nothing; in an array the
    // separator and the indent.
    void Item();
    bool Escaped(std::string_view bytes);
    void Indent(std::size_t levels);

    struct Level {
        char close;
        bool empty;
    };
    std::ostream& out_;
    std::vector<Level> levels_;  // as deep as the document's shape, never the input
    bool keyed_ = false;
    std::string buffer_;  // a string's escaped bytes on their way out
};
