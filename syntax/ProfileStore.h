#pragma once
// The persisted profile that style records read and write their attributes through.
//
// The application installs its store (settings/) with SetStyleProfile before it
// builds the style set; until then, and in the pure engine's own users such as
// `glossel-render --default-styles`, there is none: Load keeps the defaults it is
// given and Save writes nothing.

#include <cstdint>
#include <string>

class CProfileStore {
public:
    virtual ~CProfileStore() = default;
    // The stored 32-bit value, or nDefault when it is missing or unreadable.
    virtual std::uint32_t GetProfileInt(const std::string& section, const std::string& entry,
                                        std::uint32_t nDefault) = 0;
    virtual bool WriteProfileInt(const std::string& section, const std::string& entry,
                                 std::uint32_t nValue) = 0;
};

CProfileStore* GetStyleProfile();
void SetStyleProfile(CProfileStore* store);
