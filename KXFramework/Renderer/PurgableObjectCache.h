#pragma once
// A bounded cache of costly drawing objects: a fixed number of entries, each holding one object
// under an id. When every entry is taken a new id takes the least recently used one; the owner
// purges, from time to time, the entries not used since its previous purge. UI thread only.
#include "KXFramework/ObjectBase/RefCountedObject.h"

#include <cstdint>
#include <vector>

namespace KX {

// Traits: static unsigned Bucket(const Id&) in 0..255.
template <class T, class Id, class Traits>
class PurgableObjectCache {
public:
    struct Entry {
        Id id{};
        RCPtr<T> object;
        uint32_t lastUse = 0;
        uint32_t useCount = 0;
        bool IsFree() const { return !object; }
    };

    explicit PurgableObjectCache(unsigned capacity) : m_entries(capacity) {}

    // The entry's object slot; the caller stores a new object there when it is null. With release,
    // a known entry loses its object and stamps (the id stays assigned).
    RCPtr<T>& GetEntry(const Id& id, bool release)
    {
        Entry* entry = Find(id);
        if (entry != nullptr) {
            if (release)
                Clear(*entry);
        } else {
            if (m_assigned < m_entries.size()) {
                entry = &m_entries[m_assigned++];
            } else {
                entry = &Victim();
                Unindex(*entry);
            }
            Clear(*entry);
            entry->id = id;
            m_buckets[Traits::Bucket(id) & 0xFF].push_back(unsigned(entry - m_entries.data()));
        }
        entry->lastUse = ++m_stamp;
        if (entry->useCount != 0xFFFFFFFFu)
            ++entry->useCount;
        return entry->object;
    }

    // 0 when the id had an entry (its object is released), else 1.
    int Remove(const Id& id)
    {
        Entry* entry = Find(id);
        if (entry == nullptr)
            return 1;
        Clear(*entry);
        return 0;
    }

    // Clears every entry last used before the threshold stamp; returns how many, free ones included.
    int Purge(uint32_t threshold)
    {
        int cleared = 0;
        for (unsigned i = 0; i < m_assigned; ++i) {
            if (int32_t(m_entries[i].lastUse - threshold) < 0) {
                Clear(m_entries[i]);
                ++cleared;
            }
        }
        return cleared;
    }

    uint32_t GetStamp() const { return m_stamp; }
    unsigned GetCapacity() const { return unsigned(m_entries.size()); }

    template <class F>
    void ForEachObject(F f) const
    {
        for (unsigned i = 0; i < m_assigned; ++i)
            if (m_entries[i].object)
                f(*m_entries[i].object);
    }

private:
    static void Clear(Entry& entry)
    {
        entry.object = nullptr;
        entry.lastUse = 0;
        entry.useCount = 0;
    }

    Entry* Find(const Id& id)
    {
        for (unsigned index : m_buckets[Traits::Bucket(id) & 0xFF])
            if (m_entries[index].id == id)
                return &m_entries[index];
        return nullptr;
    }

    // The first free entry, else the oldest, ties to the fewer uses.
    Entry& Victim()
    {
        for (Entry& entry : m_entries)
            if (entry.IsFree())
                return entry;
        Entry* best = &m_entries[0];
        uint32_t bestAge = 0;
        uint32_t bestUses = 0xFFFFFFFFu;
        for (Entry& entry : m_entries) {
            const uint32_t age = m_stamp - entry.lastUse;
            if (age > bestAge || (age == bestAge && entry.useCount < bestUses)) {
                best = &entry;
                bestAge = age;
                bestUses = entry.useCount;
            }
        }
        return *best;
    }

    void Unindex(const Entry& entry)
    {
        auto& bucket = m_buckets[Traits::Bucket(entry.id) & 0xFF];
        const unsigned index = unsigned(&entry - m_entries.data());
        for (size_t i = 0; i < bucket.size(); ++i) {
            if (bucket[i] == index) {
                bucket.erase(bucket.begin() + long(i));
                return;
            }
        }
    }

    std::vector<Entry> m_entries;
    unsigned m_assigned = 0;
    uint32_t m_stamp = 0;
    std::vector<unsigned> m_buckets[256];
};

} // namespace KX
