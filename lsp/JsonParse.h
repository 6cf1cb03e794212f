#pragma once
// Reads the body of a message into JSON values without holding its large strings
// twice: each string is moved into its value rather than copied, and in a large body
// the one largest string (a document's text, as large as the file) is decoded where it
// stands in the body, whose buffer then becomes that string. The values are those the
// library's own reader gives (the last of two equal keys wins).

#include <nlohmann/json.hpp>

#include <string>

// Reads body (which it may take over); false (out undefined) when body is not one JSON
// value (blanks around it allowed).
bool ParseJsonBody(std::string&& body, nlohmann::json& out);
