#pragma once
// Reference-counted forms of plain values, so that a value can travel as a notification payload, a
// queue entry or a cache entry without being copied. Each is created on the heap with Create, and
// its first reference is taken by the returned pointer.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/TaggableObject.h"
#include "KXFramework/Utilities/Storage/StringT.h"
#include "KXFramework/Utilities/Storage/TypeNameOf.h"

namespace KX {

// One value of a small type, value-initialised; producers write it through `value`.
template <class T>
class LHolder : public virtual LRefCountedObject {
public:
    LHolder() : value(new T()) {}
    LHolder(const LHolder&) = delete;
    LHolder& operator=(const LHolder&) = delete;
    ~LHolder() override { delete value; }

    static RCPtr<LHolder> Create() { return RCPtr<LHolder>(new LHolder()); }

    T* const value;
};

// A key and a value; the text form is the key's.
template <class K, class V, StringT<char16_t, char> (*KeyToString)(const K&)>
class LPair : public virtual LRefCountedObject {
public:
    LPair(const K& key, const V& value) : key(key), value(value) {}

    static RCPtr<LPair> Create(const K& key, const V& value) { return RCPtr<LPair>(new LPair(key, value)); }

    StringT<char16_t, char> ToString() const override { return KeyToString(key); }

    K key;
    V value;
};

// A value type made a shared object by deriving from both.
template <class T, class B>
class LWrapper : public T, public virtual B {
public:
    LWrapper() = default;
    explicit LWrapper(const T& value) : T(value) {}
    ~LWrapper() override = default;

    // An empty wrapper for the producer to fill.
    static RCPtr<LWrapper> Create() { return RCPtr<LWrapper>(new LWrapper()); }
};

// Messages spell the arguments of a wrapper with their own "class " keywords.
template <class T, class B>
struct TypeNameOf<LWrapper<T, B>> {
    static std::string Get() { return "class KX::LWrapper<" + TypeNameOf<T>::Get() + "," + TypeNameOf<B>::Get() + ">"; }
};

// A value type made a shared object, with its text form given by a function.
template <class T, StringT<char16_t, char> (*ToText)(const T&), class B>
class LWrapperStringable : public T, public virtual B {
public:
    explicit LWrapperStringable(const T& value) : T(value) {}
    ~LWrapperStringable() override = default;

    static RCPtr<LWrapperStringable> Create(const T& value)
    {
        return RCPtr<LWrapperStringable>(new LWrapperStringable(value));
    }

    // The same object seen as its taggable part.
    static RCPtr<LTaggableObject> CreateTag(const T& value) { return RCPtr<LTaggableObject>(Create(value)); }

    StringT<char16_t, char> ToString() const override { return ToText(*this); }
};

// A copy of the text.
inline StringT<char16_t, char> StringToString(const StringT<char16_t, char>& text)
{
    return text;
}

} // namespace KX
