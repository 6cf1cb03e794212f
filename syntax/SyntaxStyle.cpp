#include "SyntaxStyle.h"

#include "ProfileStore.h"

#include <utility>

namespace {
CProfileStore* g_profile = nullptr;
}

CProfileStore* GetStyleProfile() { return g_profile; }
void SetStyleProfile(CProfileStore* store) { g_profile = store; }

CSyntaxStyle::CSyntaxStyle(std::string name, std::int32_t code)
    : m_code(code), m_name(std::move(name))
{
}

CSyntaxStyle& CSyntaxStyle::Assign(const CSyntaxStyle& other)
{
    m_code = other.m_code;
    m_name = other.m_name;
    m_colour = other.m_colour;
    m_bold = other.m_bold;
    m_italic = other.m_italic;
    return *this;
}

std::int32_t CSyntaxStyle::Equals(const CSyntaxStyle& other) const
{
    if (m_code != other.m_code) return 0;
    if (m_name != other.m_name) return 0;
    if (m_colour != other.m_colour) return 0;
    if (m_bold != other.m_bold) return 0;
    if (m_italic != other.m_italic) return 0;
    return 1;
}

void CSyntaxStyle::Load(COLORREF defaultColour, std::uint32_t defaultBold,
                        std::uint32_t defaultItalic)
{
    Load(defaultColour, defaultBold, defaultItalic, GetStyleProfile());
}

void CSyntaxStyle::Load(COLORREF defaultColour, std::uint32_t defaultBold, std::uint32_t defaultItalic,
                        CProfileStore* profile)
{
    if (profile) {
        m_colour = profile->GetProfileInt(STYLE_SECTION, m_name + " Colour", defaultColour);
        m_bold = profile->GetProfileInt(STYLE_SECTION, m_name + " Bold", defaultBold) != 0 ? 1 : 0;
        m_italic =
            profile->GetProfileInt(STYLE_SECTION, m_name + " Italic", defaultItalic) != 0 ? 1 : 0;
    } else {
        m_colour = defaultColour;
        m_bold = defaultBold != 0 ? 1 : 0;
        m_italic = defaultItalic != 0 ? 1 : 0;
    }
}

void CSyntaxStyle::Save() const
{
    CProfileStore* profile = GetStyleProfile();
    if (!profile) return;
    profile->WriteProfileInt(STYLE_SECTION, m_name + " Colour", m_colour);
    profile->WriteProfileInt(STYLE_SECTION, m_name + " Bold", m_bold);
    profile->WriteProfileInt(STYLE_SECTION, m_name + " Italic", m_italic);
}
