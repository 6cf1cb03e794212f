#pragma once
// One style record: code, display name, colour, bold and italic.

#include "StyleCodes.h"

#include <cstdint>
#include <string>

class CProfileStore;

inline constexpr const char* STYLE_SECTION = "Inform Syntax Colours";

class CSyntaxStyle {
public:
    CSyntaxStyle() = default;
    CSyntaxStyle(std::string name, std::int32_t code);

    CSyntaxStyle& Assign(const CSyntaxStyle& other);
    // 1 when code, name (byte for byte), colour, bold and italic are all equal.
    std::int32_t Equals(const CSyntaxStyle& other) const;

    // Overlays the attributes stored in profile (none: nothing stored) on the given
    // defaults; bold and italic end as 0 or 1. Without a profile given, the one
    // installed with SetStyleProfile.
    void Load(COLORREF defaultColour, std::uint32_t defaultBold, std::uint32_t defaultItalic);
    void Load(COLORREF defaultColour, std::uint32_t defaultBold, std::uint32_t defaultItalic,
              CProfileStore* profile);
    // Writes colour, bold and italic to the stored profile; failures are ignored.
    void Save() const;

    std::int32_t m_code = 0;
    std::string m_name;
    COLORREF m_colour = 0;
    std::uint32_t m_bold = 0;
    std::uint32_t m_italic = 0;
};
