#include "SyntaxStyleMap.h"

#include "ProfileStore.h"
#include "StyleCodes.h"

CSyntaxStyleMap theStyleMap;

CSyntaxStyleMap::~CSyntaxStyleMap() { FreeAll(); }

bool CSyntaxStyleMap::Lookup(WORD key, CSyntaxStyle*& rValue) const
{
    for (const Entry& e : m_buckets[BucketOf(key)]) {
        if (e.key == key) {
            rValue = e.value.get();
            return true;
        }
    }
    return false;
}

void CSyntaxStyleMap::SetAt(WORD key, std::unique_ptr<CSyntaxStyle> value)
{
    auto& chain = m_buckets[BucketOf(key)];
    for (Entry& e : chain) {
        if (e.key == key) {
            e.value = std::move(value);
            return;
        }
    }
    chain.push_back(Entry{key, std::move(value)});
    ++m_count;
}

void CSyntaxStyleMap::FreeAll()
{
    for (auto& chain : m_buckets) chain.clear();
    m_count = 0;
}

CSyntaxStyleMap& CSyntaxStyleMap::Copy(const CSyntaxStyleMap& source)
{
    if (&source == this) return *this;
    FreeAll();
    source.ForEach([this](WORD key, const CSyntaxStyle& record) {
        auto copy = std::make_unique<CSyntaxStyle>();
        copy->Assign(record);
        SetAt(key, std::move(copy));
    });
    return *this;
}

std::int32_t CSyntaxStyleMap::Equals(const CSyntaxStyleMap& other) const
{
    if (m_count != other.m_count) return 0;
    std::int32_t equal = 1;
    other.ForEach([&](WORD key, const CSyntaxStyle& theirs) {
        if (!equal) return;
        CSyntaxStyle* mine = nullptr;
        if (!Lookup(key, mine) || !mine->Equals(theirs)) equal = 0;
    });
    return equal;
}

void CSyntaxStyleMap::BuildDefaults()
{
    BuildDefaults(GetStyleProfile());
}

void CSyntaxStyleMap::BuildDefaults(CProfileStore* profile)
{
    FreeAll();
    for (int code = 0; code < STYLE_COUNT; ++code) {
        const StyleDefault& d = g_styleDefaults[code];
        auto record = std::make_unique<CSyntaxStyle>(d.name, code);
        record->Load(d.colour, d.bold, d.italic, profile);
        SetAt(static_cast<WORD>(code), std::move(record));
    }
}

void CSyntaxStyleMap::SaveAll() const
{
    ForEach([](WORD, const CSyntaxStyle& record) { record.Save(); });
}
