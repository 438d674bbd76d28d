#pragma once
// Hashed lookup tables of shared key/value entries: HashedList over integer-like keys in 256
// buckets, RCPtrMap from a shared object (by identity) to a shared object. Buckets are searched
// from their last entry, the most recently added.
#include "KXFramework/Utilities/Storage/RCPtrArray.h"
#include "KXFramework/Utilities/Storage/StringT.h"
#include "KXFramework/Utilities/Storage/Wrapper.h"

#include <cstdint>

namespace KX {

// Integer keys: bucket (key >> shift) & 0xFF, text the decimal key.
template <class K, unsigned shift>
struct HashedIntegerKey {
    static unsigned Bucket(const K& key) { return (static_cast<uint32_t>(key) >> shift) & 0xFFu; }
    static StringT<char16_t, char> ToString(const K& key) { return StringT<char16_t, char>::Format(u"%d", key); }
};

template <class K, class V, class KeyTraits>
class HashedList {
public:
    // The key's text form, which the entries give as their own.
    static StringT<char16_t, char> KeyToString(const K& key) { return KeyTraits::ToString(key); }
    using Entry = LPair<K, V, &HashedList::KeyToString>;

    // A new key is added and true returned; for a key already present only its value is replaced.
    bool Add(const RCPtr<Entry>& item)
    {
        auto& bucket = m_buckets[KeyTraits::Bucket(item->key)];
        const int i = FindIn(bucket, item->key);
        if (i >= 0) {
            bucket.GetAt(static_cast<unsigned>(i))->value = item->value;
            return false;
        }
        bucket.AddItem(item);
        ++m_count;
        return true;
    }

    // The value stored under key, or defaultValue.
    V Find(const K& key, const V& defaultValue) const
    {
        const auto& bucket = m_buckets[KeyTraits::Bucket(key)];
        const int i = FindIn(bucket, key);
        return i >= 0 ? bucket.GetAt(static_cast<unsigned>(i))->value : defaultValue;
    }

    // True when an entry was removed.
    bool Remove(const K& key)
    {
        auto& bucket = m_buckets[KeyTraits::Bucket(key)];
        const int i = FindIn(bucket, key);
        if (i < 0)
            return false;
        bucket.RemoveItems(static_cast<unsigned>(i), 1);
        --m_count;
        return true;
    }

    unsigned GetCount() const { return m_count; }

    void Clear()
    {
        for (auto& bucket : m_buckets)
            bucket.SetCount(0);
        m_count = 0;
    }

private:
    using Bucket = RCPtrArray<Entry, 1, 0>;

    static int FindIn(const Bucket& bucket, const K& key)
    {
        for (unsigned i = bucket.GetCount(); i-- > 0;) {
            if (bucket.GetAt(i)->key == key)
                return static_cast<int>(i);
        }
        return -1;
    }

    Bucket m_buckets[256];
    unsigned m_count = 0;
};

// From a shared object, by identity, to a shared object; n buckets by address.
template <class K, class V, unsigned n>
class RCPtrMap {
    static_assert(n > 0);

public:
    // The text form of the key object.
    static StringT<char16_t, char> KeyToString(const ConstRCPtr<K>& key)
    {
        return key ? key->ToString() : StringT<char16_t, char>();
    }
    using Entry = LPair<ConstRCPtr<K>, RCPtr<V>, &RCPtrMap::KeyToString>;

    // The value stored for key, or null.
    RCPtr<V> Find(const ConstRCPtr<K>& key) const
    {
        const auto& bucket = m_buckets[BucketOf(key)];
        const int i = FindIn(bucket, key);
        return i >= 0 ? bucket.GetAt(static_cast<unsigned>(i))->value : RCPtr<V>();
    }

    // Stores value for key, replacing the value already stored for it.
    void Insert(const ConstRCPtr<K>& key, const RCPtr<V>& value)
    {
        auto& bucket = m_buckets[BucketOf(key)];
        const int i = FindIn(bucket, key);
        if (i >= 0)
            bucket.GetAt(static_cast<unsigned>(i))->value = value;
        else
            bucket.AddItem(Entry::Create(key, value));
    }

    unsigned GetCount() const
    {
        unsigned count = 0;
        for (const auto& bucket : m_buckets)
            count += bucket.GetCount();
        return count;
    }

    void Clear()
    {
        for (auto& bucket : m_buckets)
            bucket.SetCount(0);
    }

private:
    using Bucket = RCPtrArray<Entry, 1, 0>;

    static unsigned BucketOf(const ConstRCPtr<K>& key)
    {
        // Objects are at least 16-byte aligned; the low bits carry nothing.
        return static_cast<unsigned>((reinterpret_cast<std::uintptr_t>(key.Get()) >> 4) % n);
    }

    static int FindIn(const Bucket& bucket, const ConstRCPtr<K>& key)
    {
        for (unsigned i = bucket.GetCount(); i-- > 0;) {
            if (bucket.GetAt(i)->key == key)
                return static_cast<int>(i);
        }
        return -1;
    }

    Bucket m_buckets[n];
};

} // namespace KX
