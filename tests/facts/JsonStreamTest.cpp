// The JSON written piece by piece is the text the whole tree dumps: the same
// indents, separators, empty containers and string escapes.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "facts/JsonStream.h"

namespace {

using json = nlohmann::ordered_json;

// Streams `value` member by member and element by element; leaves as
// values, strings through String.
void Walk(JsonStream& out, const json& value) {
    if (value.is_object()) {
        out.BeginObject();
        for (const auto& [key, member] : value.items()) {
            out.Key(key);
            Walk(out, member);
        }
        out.End();
    } else if (value.is_array()) {
        out.BeginArray();
        for (const json& element : value) Walk(out, element);
        out.End();
    } else if (value.is_string()) {
        out.String(value.get<std::string>());
    } else if (value.is_number_unsigned()) {
        out.Unsigned(value.get<std::uint64_t>());
    } else {
        out.Value(value);
    }
}

std::string Streamed(const json& value) {
    std::ostringstream text;
    JsonStream out(text);
    Walk(out, value);
    EXPECT_EQ(out.Depth(), 0u);
    return text.str();
}

TEST(JsonStream, WritesWhatTheTreeDumps) {
    const char* const cases[] = {
        R"({})",
        R"([])",
        R"(7)",
        R"({"a": {}, "b": [], "c": [[]], "d": [{}], "e": null})",
        R"({"n": [1, -2, 3.5, 18446744073709551615, true, false, null]})",
        R"([[1, [2, [3, {"deep": {"deeper": ["x"]}}]]], {"k": "v"}])",
        R"({"chunks": [{"id": "fmt ", "size": 16, "extra": [1, 2]}, {"id": "data", "size": 0}], "tail": 0.25})",
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        const json value = json::parse(text);
        EXPECT_EQ(Streamed(value), value.dump(2));
        // A whole value handed over at any depth is indented to stand there.
        std::ostringstream nested;
        JsonStream out(nested);
        out.BeginObject();
        out.Key("x").BeginArray();
        out.Value(value);
        out.End();
        out.End();
        EXPECT_EQ(nested.str(), json({{"x", json::array({value})}}).dump(2));
    }
}

TEST(JsonStream, StringsEscapedAsTheTreeDoes) {
    std::string all;
    for (int byte = 0; byte < 0x80; ++byte) all += static_cast<char>(byte);
    const std::string cases[] = {
        "", all, "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80", std::string(5000, '"') + "\\",
        std::string(4095, 'a') + "\xE2\x82\xAC",  // a character across the writer's buffer
    };
    for (const std::string& text : cases) {
        std::ostringstream written;
        JsonStream out(written);
        EXPECT_FALSE(out.String(text));
        EXPECT_EQ(written.str(), json(text).dump());
    }
}

TEST(JsonStream, TextKeepsBytesThatAreNotUtf8) {
    const struct {
        std::string stored, shown;
    } cases[] = {
        {"ok", R"({"t": "ok"})"},
        {"\xFF" "a", "{\"t\": \"\xEF\xBF\xBD" "a\", \"t_bytes\": [255, 97]}"},
        {"\xC0\x80", "{\"t\": \"\xEF\xBF\xBD\xEF\xBF\xBD\", \"t_bytes\": [192, 128]}"},
        {"\xE2\x82", "{\"t\": \"\xEF\xBF\xBD\xEF\xBF\xBD\", \"t_bytes\": [226, 130]}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        std::ostringstream written;
        JsonStream out(written);
        out.BeginObject();
        out.Text("t", c.stored);
        out.End();
        EXPECT_EQ(json::parse(written.str()), json::parse(c.shown));
    }
    std::ostringstream written;
    JsonStream out(written);
    out.BeginObject();
    out.Code("id", 0xFF006162);  // "ba", NUL, 0xFF as stored
    out.End();
    EXPECT_EQ(json::parse(written.str()), json::parse("{\"id\": \"ba\\u0000\xEF\xBF\xBD\", \"id_bytes\": [98, 97, 0, 255]}"));
}

}  // namespace
