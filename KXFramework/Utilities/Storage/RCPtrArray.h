#pragma once
// The modifiable form of ConstRCPtrArray: the same block seen as RCPtr<T> elements, while the
// array can still be passed wherever read-only access is wanted.
#include "KXFramework/ObjectBase/TaggableObject.h"
#include "KXFramework/Utilities/Storage/ConstRCPtrArray.h"

namespace KX {

template <class T, unsigned G, unsigned R>
class RCPtrArray : public IArray<RCPtr<T>>, public ConstRCPtrArray<T, G, R> {
    using Const = ConstRCPtrArray<T, G, R>;
    using Face = IArray<RCPtr<T>>;

public:
    // Both bases offer these; the modifiable forms are the array's own.
    using Const::AddItem;
    using Const::InsertItem;
    using Const::RemoveItem;
    using Const::RemoveLastItem;
    using Face::AddItem;
    using Face::Advance;
    using Face::Append;
    using Face::Assign;
    using Face::Begin;
    using Face::begin;
    using Face::Clear;
    using Face::End;
    using Face::end;
    using Face::GetAt;
    using Face::GetBeforeFirstPosition;
    using Face::GetData;
    using Face::GetEndPosition;
    using Face::GetFirstPosition;
    using Face::GetLastPosition;
    using Face::GetMaxCount;
    using Face::IndexOf;
    using Face::RBegin;
    using Face::REnd;
    using Face::Span;
    using Face::Swap;

    explicit RCPtrArray(unsigned count = 0, unsigned reserve = 0) : Const(count, reserve) {}
    // Every element of source is stored with a reference of its own.
    explicit RCPtrArray(const IArray<RCPtr<T>>& source)
    {
        SetCount(0);
        Face::Append(source);
    }
    RCPtrArray(const RCPtrArray& source) : RCPtrArray(static_cast<const IArray<RCPtr<T>>&>(source)) {}
    RCPtrArray& operator=(const RCPtrArray&) = delete;

    unsigned GetCount() const override { return Const::GetCount(); }
    int SetCount(unsigned n) override { return Const::SetCount(n); }
    int InsertItems(unsigned index, unsigned count) override { return Const::InsertItems(index, count); }
    int RemoveItems(unsigned index, unsigned count) override { return Const::RemoveItems(index, count); }
    RCPtr<T>* GetData() override { return reinterpret_cast<RCPtr<T>*>(Const::Slots()); }

    // Returns the index. Both element types are the same raw pointer in the same slot.
    int InsertItem(unsigned index, const RCPtr<T>& item) override { return Const::InsertItem(index, item); }

    int RemoveItem(unsigned index, RCPtr<T>& removed) override
    {
        if (index >= GetCount())
            throw Exception<std::out_of_range>(
                "Out of Range : " + Detail::PointerArrayMethod<T, G, R>("RCPtrArray", "RemoveItem") +
                " : utilities\\Storage/RCPtrArray : Line 175");
        return Const::TakeOut(index, removed);
    }

    int RemoveLastItem(RCPtr<T>& removed) override { return Const::RemoveLastItem(removed); }
};

// An array that is itself a shared object. It cannot be copied on write.
template <class T, unsigned G, unsigned R>
class LRCPtrArray : public RCPtrArray<T, G, R>, public LTaggableObject {
public:
    using RCPtrArray<T, G, R>::RCPtrArray;
    ~LRCPtrArray() override = default;
};

} // namespace KX
