#pragma once
// The base of every shared object and the two smart pointers that hold it. The count lives in the
// object; an owner count and BreakCycles let an object drop the references it handed to structures it
// set up; an object marked unshareable is copied whenever a second smart pointer would take it.
#include "KXFramework/ObjectBase/Exception.h"
#include "KXFramework/ObjectBase/Result.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace KX {

template <class C, class O>
class StringT;
template <class T>
class RCPtr;

class IStringable {
public:
    virtual ~IStringable() = default;
    virtual StringT<char16_t, char> ToString() const = 0;
};

class IUndoable : public IStringable {
public:
    virtual void Undo() = 0;
};

class LRefCountedObject : public IUndoable {
public:
    LRefCountedObject() = default;
    // A copy starts with fresh counters and is shareable; it never takes over the source's.
    LRefCountedObject(const LRefCountedObject&) : LRefCountedObject() {}
    LRefCountedObject& operator=(const LRefCountedObject&) { return *this; }

    StringT<char16_t, char> ToString() const override;
    void Undo() override;
    virtual int32_t AddRef();
    virtual int32_t Release();
    // Returns whether this was the last holder, for diagnosis only; callers may ignore it.
    virtual KXRESULT BreakCycles();
    virtual RCPtr<LRefCountedObject> CreateCopy() const;
    virtual ~LRefCountedObject();

    // Throws while more than one reference holds the object and unshareable is true.
    void SetUnshareable(bool unshareable);
    void AdjustOwnerCount(int delta);

    int32_t GetRefCount() const { return m_refCount.load(); }
    int32_t GetOwnerCount() const { return m_ownerCount.load(); }
    bool IsShareable() const { return m_mayBeShared.load(); }

private:
    std::atomic<int32_t> m_refCount{0};
    std::atomic<int32_t> m_ownerCount{0};
    std::atomic<int32_t> m_breakCyclesGuard{0};
    std::atomic<bool> m_mayBeShared{true};
};

namespace Detail {
// Builds and throws the logic error of a copy-on-write whose copy is missing or of another type.
[[noreturn]] void ThrowUnshareFailed(const std::type_info& type);

template <class T>
LRefCountedObject* Counted(T* p)
{
    return const_cast<LRefCountedObject*>(static_cast<const LRefCountedObject*>(p));
}

// Upwards conversions are static; anything else tests the object's dynamic type.
template <class T, class U>
T* ConvertPointer(U* p)
{
    if constexpr (std::is_convertible_v<U*, T*>)
        return p;
    else
        return p ? dynamic_cast<T*>(p) : nullptr;
}
} // namespace Detail

// Read-only smart pointer; exactly one pointer wide, so a block of pointers is also an array of these.
template <class T>
class ConstRCPtr {
public:
    ConstRCPtr() noexcept = default;
    ConstRCPtr(std::nullptr_t) noexcept {}
    ConstRCPtr(const T* p) : m_p(const_cast<T*>(p)) { Acquire(); }
    ConstRCPtr(const ConstRCPtr& other) : m_p(other.m_p) { Acquire(); }
    ConstRCPtr(ConstRCPtr&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    template <class U>
    ConstRCPtr(const ConstRCPtr<U>& other) : m_p(Detail::ConvertPointer<T>(other.m_p))
    {
        Acquire();
    }

    ~ConstRCPtr()
    {
        static_assert(sizeof(ConstRCPtr) == sizeof(void*) && std::is_standard_layout_v<ConstRCPtr>);
        if (m_p)
            Detail::Counted(m_p)->Release();
    }

    ConstRCPtr& operator=(const ConstRCPtr& other) { return Store(other.m_p); }
    ConstRCPtr& operator=(ConstRCPtr&& other) noexcept
    {
        if (this != &other) {
            T* old = m_p;
            m_p = other.m_p;
            other.m_p = nullptr;
            if (old)
                Detail::Counted(old)->Release();
        }
        return *this;
    }
    template <class U>
    ConstRCPtr& operator=(const ConstRCPtr<U>& other)
    {
        ConstRCPtr converted(other);
        return Store(converted.m_p);
    }

    const T* Get() const noexcept { return m_p; }
    const T* operator->() const noexcept { return m_p; }
    const T& operator*() const noexcept { return *m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    template <class U>
    bool operator==(const ConstRCPtr<U>& other) const noexcept
    {
        return m_p == other.m_p;
    }
    bool operator==(const T* p) const noexcept { return m_p == p; }
    bool operator==(std::nullptr_t) const noexcept { return m_p == nullptr; }

    // Copy-on-write: when others share the object, replace it by a private copy from CreateCopy.
    void Unshare();

protected:
    template <class U>
    friend class ConstRCPtr;

    // Counts the stored object and copies it at once when it may not be shared. When that copy
    // fails, the reference just taken is released and the pointer is left null.
    void Acquire()
    {
        if (!m_p)
            return;
        Detail::Counted(m_p)->AddRef();
        if (Detail::Counted(m_p)->IsShareable())
            return;
        try {
            Unshare();
        } catch (...) {
            if (m_p)
                Detail::Counted(m_p)->Release();
            m_p = nullptr;
            throw;
        }
    }

    // The new object is referenced before the old one is let go; a failed Acquire keeps the old one.
    ConstRCPtr& Store(T* p)
    {
        if (p == m_p)
            return *this;
        T* old = m_p;
        m_p = p;
        try {
            Acquire();
        } catch (...) {
            m_p = old;
            throw;
        }
        if (old)
            Detail::Counted(old)->Release();
        return *this;
    }

    T* m_p = nullptr;
};

// Modifiable smart pointer. It never copies on access; copies are made only when a pointer is acquired.
template <class T>
class RCPtr : public ConstRCPtr<T> {
public:
    RCPtr() noexcept = default;
    RCPtr(std::nullptr_t) noexcept {}
    RCPtr(T* p) : ConstRCPtr<T>(p) {}
    RCPtr(const RCPtr& other) : ConstRCPtr<T>(other) {}
    RCPtr(RCPtr&& other) noexcept : ConstRCPtr<T>(std::move(other)) {}
    ~RCPtr() { static_assert(sizeof(RCPtr) == sizeof(void*) && std::is_standard_layout_v<RCPtr>); }
    template <class U>
    RCPtr(const ConstRCPtr<U>& other) : ConstRCPtr<T>(other)
    {
    }

    RCPtr& operator=(const RCPtr& other)
    {
        ConstRCPtr<T>::operator=(other);
        return *this;
    }
    RCPtr& operator=(RCPtr&& other) noexcept
    {
        ConstRCPtr<T>::operator=(std::move(other));
        return *this;
    }
    template <class U>
    RCPtr& operator=(const ConstRCPtr<U>& other)
    {
        ConstRCPtr<T>::operator=(other);
        return *this;
    }

    T* Get() const noexcept { return this->m_p; }
    T* operator->() const noexcept { return this->m_p; }
    T& operator*() const noexcept { return *this->m_p; }
};

template <class T>
void ConstRCPtr<T>::Unshare()
{
    if (!m_p || Detail::Counted(m_p)->GetRefCount() < 2)
        return;
    RCPtr<LRefCountedObject> copy = Detail::Counted(m_p)->CreateCopy();
    // Counted directly rather than acquired: a copy is shareable, and a faulty CreateCopy must not recurse.
    T* typed = Detail::ConvertPointer<T>(copy.Get());
    if (typed != m_p) {
        T* old = m_p;
        m_p = typed;
        if (m_p)
            Detail::Counted(m_p)->AddRef();
        if (old)
            Detail::Counted(old)->Release();
    }
    if (!m_p)
        Detail::ThrowUnshareFailed(typeid(T));
}

} // namespace KX
