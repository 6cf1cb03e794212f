#include "JsonParse.h"

#include "syntax/Utf8.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace {

using Json = nlohmann::json;

// Builds the values as the library's own reader does (the last of two equal keys
// wins), with every string moved in.
class CMovingBuilder {
public:
    explicit CMovingBuilder(Json& root) : m_root(root) {}

    bool null() { return Add(nullptr); }
    bool boolean(bool value) { return Add(value); }
    bool number_integer(Json::number_integer_t value) { return Add(value); }
    bool number_unsigned(Json::number_unsigned_t value) { return Add(value); }
    bool number_float(Json::number_float_t value, const Json::string_t&) { return Add(value); }
    bool string(Json::string_t& value) { return Add(std::move(value)); }
    bool binary(Json::binary_t& value) { return Add(Json::binary(std::move(value))); }
    bool start_object(std::size_t)
    {
        m_stack.push_back(Place(Json::object()));
        return true;
    }
    bool key(Json::string_t& name)
    {
        m_key = &(*m_stack.back())[std::move(name)];
        return true;
    }
    bool end_object()
    {
        m_stack.pop_back();
        return true;
    }
    bool start_array(std::size_t)
    {
        m_stack.push_back(Place(Json::array()));
        return true;
    }
    bool end_array()
    {
        m_stack.pop_back();
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

private:
    template <typename Value>
    bool Add(Value&& value)
    {
        Place(Json(std::forward<Value>(value)));
        return true;
    }
    // Puts value where the next value goes; where it went.
    Json* Place(Json&& value)
    {
        if (m_stack.empty()) {
            m_root = std::move(value);
            return &m_root;
        }
        Json& container = *m_stack.back();
        if (container.is_array()) {
            container.push_back(std::move(value));
            return &container.back();
        }
        *m_key = std::move(value);
        return m_key;
    }

    Json& m_root;
    std::vector<Json*> m_stack;
    Json* m_key = nullptr;
};

// A string of a body at least this long is decoded in place.
constexpr std::size_t kLargeString = std::size_t{1} << 20;
// What stands for the large string while the rest is read (no text holds it).
const std::string kStandIn = "\x01glossel\x02text\x03";

bool Parse(std::string_view text, Json& out)
{
    CMovingBuilder builder(out);
    return Json::sax_parse(text.begin(), text.end(), &builder);
}

// The largest string of a body that is JSON: [open, close] its quotes, or false.
bool LargestString(const std::string& body, std::size_t& open, std::size_t& close)
{
    std::size_t best = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '"') continue;
        std::size_t j = i + 1;
        while (j < body.size() && body[j] != '"') j += body[j] == '\\' ? 2 : 1;
        if (j >= body.size()) return false;
        if (j - i > best) {
            best = j - i;
            open = i;
            close = j;
        }
        i = j;
    }
    return best > kLargeString;
}

int Hex(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code unit of a \uXXXX at s[i] (the backslash), or -1.
long Escape16(const std::string& s, std::size_t i, std::size_t end)
{
    if (i + 6 > end || s[i + 1] != 'u') return -1;
    long value = 0;
    for (std::size_t k = i + 2; k < i + 6; ++k) {
        const int h = Hex(s[k]);
        if (h < 0) return -1;
        value = value * 16 + h;
    }
    return value;
}

// Decodes the string s(from, to) (the quotes' places) into s[from + 1...]: its length,
// or -1 when it is no JSON string (nothing written then). Two rounds: check, then write.
long DecodeInPlace(std::string& s, std::size_t from, std::size_t to)
{
    for (int round = 0; round < 2; ++round) {
        std::size_t w = from + 1;
        for (std::size_t r = from + 1; r < to;) {
            const unsigned char b = static_cast<unsigned char>(s[r]);
            if (b < 0x20) return -1;
            if (b >= 0x80) {
                const int n = Utf8CharLength(reinterpret_cast<const unsigned char*>(s.data()) + r,
                                             reinterpret_cast<const unsigned char*>(s.data()) + to);
                if (n == 0) return -1;
                if (round == 1) std::memmove(&s[w], &s[r], static_cast<std::size_t>(n));
                w += static_cast<std::size_t>(n);
                r += static_cast<std::size_t>(n);
                continue;
            }
            if (b != '\\') {
                if (round == 1) s[w] = static_cast<char>(b);
                ++w;
                ++r;
                continue;
            }
            if (r + 1 >= to) return -1;
            char simple = 0;
            switch (s[r + 1]) {
            case '"': simple = '"'; break;
            case '\\': simple = '\\'; break;
            case '/': simple = '/'; break;
            case 'b': simple = '\b'; break;
            case 'f': simple = '\f'; break;
            case 'n': simple = '\n'; break;
            case 'r': simple = '\r'; break;
            case 't': simple = '\t'; break;
            case 'u': break;
            default: return -1;
            }
            if (simple) {
                if (round == 1) s[w] = simple;
                ++w;
                r += 2;
                continue;
            }
            long code = Escape16(s, r, to);
            if (code < 0 || (code >= 0xDC00 && code <= 0xDFFF)) return -1;
            r += 6;
            if (code >= 0xD800 && code <= 0xDBFF) {
                const long low = r < to && s[r] == '\\' ? Escape16(s, r, to) : -1;
                if (low < 0xDC00 || low > 0xDFFF) return -1;
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                r += 6;
            }
            char bytes[4];
            const int n = EncodeUtf8(static_cast<char32_t>(code), bytes);
            if (round == 1) std::memcpy(&s[w], bytes, static_cast<std::size_t>(n));
            w += static_cast<std::size_t>(n);
        }
        if (round == 1) return static_cast<long>(w - from - 1);
    }
    return -1;
}

// The one string value equal to the stand-in, or null.
Json* FindStandIn(Json& value, int& found)
{
    Json* at = nullptr;
    if (value.is_string()) {
        if (value.get_ref<const std::string&>() == kStandIn) {
            ++found;
            return &value;
        }
    } else if (value.is_structured()) {
        for (Json& item : value)
            if (Json* inside = FindStandIn(item, found)) at = inside;
    }
    return at;
}

}  // namespace

bool ParseJsonBody(std::string&& body, nlohmann::json& out)
{
    std::size_t open = 0;
    std::size_t close = 0;
    if (body.size() <= kLargeString || !LargestString(body, open, close)) return Parse(body, out);
    // The rest of the body, with the large string's stand-in, is read first.
    std::string rest;
    rest.reserve(body.size() - (close - open) + kStandIn.size() + 8);
    rest.append(body, 0, open).append(Json(kStandIn).dump()).append(body, close + 1, std::string::npos);
    if (!Parse(rest, out)) return false;
    int found = 0;
    Json* place = FindStandIn(out, found);
    if (!place || found != 1) return Parse(body, out);
    const long length = DecodeInPlace(body, open, close);
    if (length < 0) return false;
    body.resize(open + 1 + static_cast<std::size_t>(length));
    body.erase(0, open + 1);
    *place = std::move(body);
    return true;
}
