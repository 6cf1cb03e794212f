#pragma once
// A map from style code to an owned style record, with a fixed walk order.
//
// The walk order is part of the contract (it decides the colour table's order and
// the order in which styles are saved): the map is a chained hash table of 17
// buckets, key k in bucket (k >> 4) % 17; a new key goes to the head of its chain,
// assigning to a present key replaces the record in place; a walk visits buckets
// 0..16 and each chain head to tail. For style codes (all below 16) a walk is the
// reverse of first insertion: after BuildDefaults 11 down to 0, a Copy of that
// 0 up to 11, a copy of the copy 11 down to 0 again.

#include "SyntaxStyle.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class CSyntaxStyleMap {
public:
    using WORD = std::uint16_t;

    CSyntaxStyleMap() = default;
    ~CSyntaxStyleMap();
    CSyntaxStyleMap(const CSyntaxStyleMap&) = delete;
    CSyntaxStyleMap& operator=(const CSyntaxStyleMap&) = delete;

    int GetCount() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }
    // Reports false and leaves rValue unchanged when the key has no entry.
    bool Lookup(WORD key, CSyntaxStyle*& rValue) const;
    // Takes ownership; an existing record under the key is freed and replaced in place.
    void SetAt(WORD key, std::unique_ptr<CSyntaxStyle> value);

    // Visits (key, record) in walk order.
    template <class F>
    void ForEach(F&& visit) const
    {
        for (const auto& chain : m_buckets)
            for (auto it = chain.rbegin(); it != chain.rend(); ++it) visit(it->key, *it->value);
    }

    void FreeAll();
    CSyntaxStyleMap& Copy(const CSyntaxStyleMap& source);
    std::int32_t Equals(const CSyntaxStyleMap& other) const;
    // The twelve styles, each with its built-in attributes overlaid with those stored in
    // profile (none: the built-in ones alone); without a profile given, the one
    // installed with SetStyleProfile.
    void BuildDefaults();
    void BuildDefaults(CProfileStore* profile);
    void SaveAll() const;

private:
    static constexpr int BUCKETS = 17;
    struct Entry {
        WORD key;
        std::unique_ptr<CSyntaxStyle> value;
    };
    // Each chain is stored tail first: the head is the vector's back.
    std::array<std::vector<Entry>, BUCKETS> m_buckets;
    int m_count = 0;

    static int BucketOf(WORD key) { return (key >> 4) % BUCKETS; }
};

// The application-wide current style set, read by every render.
extern CSyntaxStyleMap theStyleMap;
