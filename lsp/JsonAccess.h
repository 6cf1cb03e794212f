#pragma once
// Reading the parts of a client's message without trusting its shape: every accessor
// checks the type it reads and says "absent" instead of throwing.

#include "LspDocument.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

namespace jsonaccess {

using Json = nlohmann::json;

// The member key of an object, or null.
inline const Json* Member(const Json& object, const char* key)
{
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// The value at a path of keys, or null.
inline const Json* Path(const Json& object, std::initializer_list<const char*> keys)
{
    const Json* at = &object;
    for (const char* key : keys)
        if (!(at = Member(*at, key))) return nullptr;
    return at;
}

inline bool IsString(const Json& object, const char* key)
{
    const Json* value = Member(object, key);
    return value && value->is_string();
}

inline bool GetString(const Json& object, const char* key, std::string& out)
{
    const Json* value = Member(object, key);
    if (!value || !value->is_string()) return false;
    out = value->get_ref<const std::string&>();
    return true;
}

inline std::optional<std::int64_t> GetInteger(const Json& object, const char* key)
{
    const Json* value = Member(object, key);
    if (!value || !value->is_number_integer()) return std::nullopt;
    return value->get<std::int64_t>();
}

// A count (a non-negative integer); a number past what a size holds is clamped.
inline bool GetCount(const Json& object, const char* key, std::size_t& out)
{
    const Json* value = Member(object, key);
    if (!value) return false;
    if (value->is_number_unsigned()) {
        out = static_cast<std::size_t>(value->get<std::uint64_t>());
        return true;
    }
    if (value->is_number_integer()) {
        const std::int64_t n = value->get<std::int64_t>();
        if (n < 0) return false;
        out = static_cast<std::size_t>(n);
        return true;
    }
    return false;
}

inline bool GetPosition(const Json& object, LspPosition& out)
{
    return GetCount(object, "line", out.line) && GetCount(object, "character", out.character);
}

inline bool GetRange(const Json& range, LspPosition& start, LspPosition& end)
{
    const Json* s = Member(range, "start");
    const Json* e = Member(range, "end");
    return s && e && GetPosition(*s, start) && GetPosition(*e, end);
}

}  // namespace jsonaccess
