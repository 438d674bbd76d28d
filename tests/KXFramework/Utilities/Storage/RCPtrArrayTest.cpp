#include "KXFramework/Utilities/Storage/RCPtrArray.h"

#include "CountedObject.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace KX::Test {

namespace {

using KX::ConstRCPtr;
using KX::RCPtr;
using KX::Test::Counted;

template <class Array>
std::vector<int> Ids(const Array& a)
{
    std::vector<int> ids;
    for (unsigned i = 0; i < a.GetCount(); ++i)
        ids.push_back(a.GetData()[i] ? a.GetData()[i]->id : -1);
    return ids;
}

TEST(ConstRCPtrArray, ConstructionGivesNullElementsAndNoBlockWhenEmpty)
{
    KX::ConstRCPtrArray<Counted, 1, 0> empty;
    EXPECT_EQ(empty.GetCount(), 0u);
    EXPECT_EQ(empty.GetData(), nullptr);
    EXPECT_EQ(empty.GetCapacity(), 0u);
    KX::ConstRCPtrArray<Counted, 1, 0> three(3, 0);
    EXPECT_EQ(Ids(three), (std::vector<int>{-1, -1, -1}));
    KX::ConstRCPtrArray<Counted, 1, 0> reserved(0, 10);
    EXPECT_EQ(reserved.GetCapacity(), 0u);
}

TEST(ConstRCPtrArray, InsertionResultsAndRangeChecks)
{
    KX::RCPtrArray<Counted, 1, 0> a;
    RCPtr<Counted> x(new Counted(1)), y(new Counted(2)), z(new Counted(3));
    EXPECT_EQ(a.AddItem(x), 0);
    EXPECT_EQ(a.AddItem(z), 1);
    EXPECT_EQ(a.InsertItem(1, y), 1);
    EXPECT_EQ(a.InsertItem(4, y), KX::E_INVALIDARG);
    EXPECT_EQ(Ids(a), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(y->GetRefCount(), 2);
    EXPECT_EQ(a.InsertItems(3, 2), 5);
    EXPECT_EQ(a.InsertItems(9, 0), 5);
    EXPECT_EQ(a.InsertItems(9, 1), KX::E_INVALIDARG);
    EXPECT_EQ(a.InsertItems(1, 1), 6);
    EXPECT_EQ(Ids(a), (std::vector<int>{1, -1, 2, 3, -1, -1}));
    EXPECT_EQ(a.IndexOf(z), 3);
    EXPECT_EQ(a.IndexOf(RCPtr<Counted>(new Counted(9))), -1);
}

TEST(ConstRCPtrArray, InsertingItsOwnElementWhileTheBlockMoves)
{
    std::vector<int> destroyed;
    {
        KX::ConstRCPtrArray<Counted, 1, 0> c;
        c.AddItem(ConstRCPtr<Counted>(new Counted(7, &destroyed)));
        KX::RCPtrArray<Counted, 1, 0> r;
        r.AddItem(RCPtr<Counted>(new Counted(8, &destroyed)));
        for (int i = 0; i < 20; ++i) {
            c.AddItem(c.GetAt(0u));
            r.InsertItem(0, r.GetAt(r.GetCount() - 1));
        }
        EXPECT_EQ(c.GetAt(0u)->GetRefCount(), 21);
        EXPECT_EQ(r.GetAt(0u)->GetRefCount(), 21);
        EXPECT_EQ(Ids(c), std::vector<int>(21, 7));
    }
    EXPECT_EQ(destroyed, (std::vector<int>{8, 7}));
}

TEST(ConstRCPtrArray, RemoveItemHandsOverTheReferenceOrThrowsTheExactText)
{
    KX::ConstRCPtrArray<Counted, 1, 0> a;
    ConstRCPtr<Counted> x(new Counted(1));
    a.AddItem(x);
    ConstRCPtr<Counted> removed(new Counted(5));
    try {
        a.RemoveItem(1, removed);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Out of Range : KX::ConstRCPtrArray<class KX::Test::Counted,1,0>::RemoveItem : "
                               "utilities\\Storage/ConstRCPtrArray : Line 216");
    }
    EXPECT_EQ(removed->id, 5);
    EXPECT_EQ(a.GetCount(), 1u);
    EXPECT_EQ(a.RemoveItem(0, removed), 0);
    EXPECT_EQ(removed, x);
    EXPECT_EQ(x->GetRefCount(), 2);
    EXPECT_EQ(a.GetData(), nullptr);
}

TEST(RCPtrArray, RemoveItemThrowsItsOwnText)
{
    KX::RCPtrArray<Counted, 16, 16> a;
    RCPtr<Counted> removed;
    try {
        a.RemoveItem(0, removed);
        FAIL();
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Out of Range : KX::RCPtrArray<class KX::Test::Counted,16,16>::RemoveItem : "
                               "utilities\\Storage/RCPtrArray : Line 175");
    }
}

TEST(ConstRCPtrArray, RemoveLastItem)
{
    KX::RCPtrArray<Counted, 1, 0> a;
    RCPtr<Counted> removed(new Counted(3));
    EXPECT_EQ(a.RemoveLastItem(removed), KX::E_FAIL);
    EXPECT_FALSE(removed);
    a.AddItem(RCPtr<Counted>(new Counted(4)));
    EXPECT_EQ(a.RemoveLastItem(removed), 0);
    EXPECT_EQ(removed->id, 4);
    EXPECT_EQ(removed->GetRefCount(), 1);
    EXPECT_EQ(a.GetCount(), 0u);
}

TEST(ConstRCPtrArray, ReleasesInAscendingOrderAndStopsAtABadRange)
{
    std::vector<int> destroyed;
    {
        KX::RCPtrArray<Counted, 1, 0> a;
        for (int id = 0; id < 6; ++id)
            a.AddItem(RCPtr<Counted>(new Counted(id, &destroyed)));
        EXPECT_EQ(a.SetCount(6), 6);
        EXPECT_THROW(a.RemoveItems(4, 3), std::out_of_range);
        EXPECT_EQ(destroyed, (std::vector<int>{4, 5}));
        EXPECT_EQ(a.SetCount(2), 2);
        EXPECT_EQ(destroyed, (std::vector<int>{4, 5, 2, 3}));
    }
    EXPECT_EQ(destroyed, (std::vector<int>{4, 5, 2, 3, 0, 1}));
}

TEST(ConstRCPtrArray, SwapChecksBothIndicesAndMovesNoCounts)
{
    KX::RCPtrArray<Counted, 1, 0> a;
    a.AddItem(RCPtr<Counted>(new Counted(1)));
    a.AddItem(RCPtr<Counted>(new Counted(2)));
    KX::ConstRCPtrArray<Counted, 1, 0>& c = a;
    EXPECT_EQ(c.Swap(0, 1), KX::S_OK);
    EXPECT_EQ(c.Swap(0, 2), KX::E_INVALIDARG);
    EXPECT_EQ(a.Swap(1, 0), KX::S_OK);
    EXPECT_EQ(a.Swap(2, 0), KX::E_INVALIDARG);
    EXPECT_EQ(Ids(a), (std::vector<int>{1, 2}));
    EXPECT_EQ(a.GetAt(0u)->GetRefCount(), 1);
}

TEST(ConstRCPtrArray, AnUnshareableObjectHeldElsewhereIsStoredAsACopy)
{
    RCPtr<Counted> x(new Counted(1));
    x->SetUnshareable(true);
    KX::RCPtrArray<Counted, 1, 0> a;
    a.AddItem(x);
    EXPECT_NE(a.GetAt(0u).Get(), x.Get());
    EXPECT_EQ(a.GetAt(0u)->id, 1);
    EXPECT_EQ(x->GetRefCount(), 1);
    EXPECT_EQ(a.GetAt(0u)->GetRefCount(), 1);
}

TEST(RCPtrArray, CopiesTakeReferencesAndReadOnlyViewsShareTheElements)
{
    KX::RCPtrArray<Counted, 1, 0> a;
    a.AddItem(RCPtr<Counted>(new Counted(1)));
    a.AddItem(RCPtr<Counted>());
    KX::RCPtrArray<Counted, 1, 0> b(a);
    EXPECT_EQ(Ids(b), (std::vector<int>{1, -1}));
    EXPECT_EQ(a.GetAt(0u)->GetRefCount(), 2);
    const KX::IArray<ConstRCPtr<Counted>>& view = b;
    EXPECT_EQ(view.GetAt(0u).Get(), a.GetAt(0u).Get());
    b.GetAt(1u) = a.GetAt(0u);
    EXPECT_EQ(a.GetAt(0u)->GetRefCount(), 3);
}

TEST(RCPtrArray, BlockGrowsByInstanceStep)
{
    KX::RCPtrArray<Counted, 1, 0> exact;
    for (unsigned i = 1; i <= 5; ++i) {
        exact.AddItem(RCPtr<Counted>());
        EXPECT_EQ(exact.GetCapacity(), i);
    }
    KX::RCPtrArray<Counted, 256, 256> big;
    big.AddItem(RCPtr<Counted>());
    EXPECT_EQ(big.GetCapacity(), 256u);
    big.SetCount(256);
    EXPECT_EQ(big.GetCapacity(), 256u);
    big.SetCount(257);
    EXPECT_EQ(big.GetCapacity(), 512u);
    big.SetCount(0);
    big.SetCount(1);
    EXPECT_EQ(big.GetCapacity(), 256u);
    big.SetCount(0);
    EXPECT_EQ(big.GetCapacity(), 256u);
    KX::RCPtrArray<Counted, 16, 16> mid;
    mid.SetCount(17);
    EXPECT_EQ(mid.GetCapacity(), 32u);
}

TEST(LRCPtrArray, IsASharedObjectThatCannotBeCopiedOnWrite)
{
    RCPtr<KX::LRCPtrArray<Counted, 1, 0>> list(new KX::LRCPtrArray<Counted, 1, 0>());
    list->AddItem(RCPtr<Counted>(new Counted(1)));
    RCPtr<KX::LRCPtrArray<Counted, 1, 0>> other(list);
    EXPECT_EQ(list->GetRefCount(), 2);
    EXPECT_THROW(list->CreateCopy(), std::logic_error);
}

} // namespace

} // namespace KX::Test
