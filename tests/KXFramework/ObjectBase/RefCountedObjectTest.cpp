#include "KXFramework/ObjectBase/RefCountedObject.h"

#include "KXFramework/Utilities/Storage/StringT.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace KX::Test {

namespace Probe {
// Outside the anonymous namespace so that its run-time name reads "class Probe::Plain".
struct Plain : KX::LRefCountedObject {};
} // namespace Probe

namespace {

using KX::ConstRCPtr;
using KX::LRefCountedObject;
using KX::RCPtr;

// Counts its destructions; copies carry the value and the same counter.
class Tracked : public virtual LRefCountedObject {
public:
    Tracked(std::atomic<int>* destroyed, int value = 0) : destroyed(destroyed), value(value) {}
    ~Tracked() override { ++*destroyed; }

    std::atomic<int>* destroyed;
    int value;
};

class Copyable : public Tracked {
public:
    using Tracked::Tracked;
    RCPtr<LRefCountedObject> CreateCopy() const override { return new Copyable(destroyed, value); }
};

class Other : public virtual LRefCountedObject {};

// CreateCopy that hands back nothing or an object of another class.
class BadCopy : public Tracked {
public:
    BadCopy(std::atomic<int>* destroyed, bool giveOther) : Tracked(destroyed), giveOther(giveOther) {}
    RCPtr<LRefCountedObject> CreateCopy() const override
    {
        if (giveOther)
            return new Other;
        return nullptr;
    }
    bool giveOther;
};

std::string Narrow(const KX::StringT<char16_t, char>& s)
{
    std::string out;
    for (const char16_t* p = s.GetString(); *p; ++p)
        out += static_cast<char>(*p);
    return out;
}

template <class F>
std::string ThrownText(F&& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

TEST(RCPtr, CountsCopiesAssignmentsAndDestroysOnce)
{
    std::atomic<int> destroyed{0};
    auto* object = new Tracked(&destroyed);
    {
        RCPtr<Tracked> a(object);
        EXPECT_EQ(object->GetRefCount(), 1);
        {
            RCPtr<Tracked> b(a);
            ConstRCPtr<Tracked> c(b);
            EXPECT_EQ(object->GetRefCount(), 3);
            b = a; // the object it already holds
            EXPECT_EQ(object->GetRefCount(), 3);
            c = nullptr;
            EXPECT_EQ(object->GetRefCount(), 2);
            EXPECT_EQ(c.Get(), nullptr);
        }
        EXPECT_EQ(object->GetRefCount(), 1);
        RCPtr<Tracked> moved(std::move(a));
        EXPECT_EQ(object->GetRefCount(), 1);
        EXPECT_EQ(a.Get(), nullptr);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
    RCPtr<Tracked> empty;
    EXPECT_FALSE(empty);
}

TEST(RCPtr, AssignmentTakesTheNewObjectBeforeLettingGoOfTheOld)
{
    std::atomic<int> destroyed{0};
    RCPtr<Tracked> a(new Tracked(&destroyed, 1));
    RCPtr<Tracked> b(new Tracked(&destroyed, 2));
    a = b;
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(a->value, 2);
    EXPECT_EQ(b->GetRefCount(), 2);
    // An object whose last reference is the one being replaced, reached through that same pointer.
    a = RCPtr<Tracked>(a);
    EXPECT_EQ(a->GetRefCount(), 2);
}

TEST(RCPtr, ConversionsGoUpStaticallyAndDownByDynamicType)
{
    std::atomic<int> destroyed{0};
    RCPtr<Copyable> derived(new Copyable(&destroyed, 7));
    RCPtr<LRefCountedObject> base(derived);
    EXPECT_EQ(derived->GetRefCount(), 2);

    ConstRCPtr<Tracked> down(base);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->value, 7);
    EXPECT_EQ(derived->GetRefCount(), 3);

    ConstRCPtr<Other> wrong(base);
    EXPECT_FALSE(wrong);
    EXPECT_EQ(derived->GetRefCount(), 3);

    RCPtr<Other> assigned(new Other);
    assigned = base; // a mismatch releases the old object and leaves null
    EXPECT_FALSE(assigned);
    EXPECT_EQ(derived->GetRefCount(), 3);

    RCPtr<LRefCountedObject> none;
    RCPtr<Tracked> fromNull(none);
    EXPECT_FALSE(fromNull);
}

TEST(CopyOnWrite, SecondPointerToAnUnshareableObjectGetsAPrivateShareableCopy)
{
    std::atomic<int> destroyed{0};
    RCPtr<Copyable> owner(new Copyable(&destroyed, 5));
    owner->SetUnshareable(true);

    RCPtr<Copyable> copy(owner);
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.Get(), owner.Get());
    EXPECT_EQ(copy->value, 5);
    EXPECT_TRUE(copy->IsShareable());
    EXPECT_EQ(copy->GetRefCount(), 1);
    EXPECT_EQ(owner->GetRefCount(), 1);

    // Assignment and conversion copy as well; shareable objects are shared.
    RCPtr<LRefCountedObject> viaBase;
    viaBase = owner;
    EXPECT_NE(viaBase.Get(), static_cast<LRefCountedObject*>(owner.Get()));
    RCPtr<Copyable> shared(copy);
    EXPECT_EQ(shared.Get(), copy.Get());
    EXPECT_EQ(owner->GetRefCount(), 1);

    // A moved pointer takes no new reference, so it keeps the object itself.
    Copyable* original = owner.Get();
    RCPtr<Copyable> moved(std::move(owner));
    EXPECT_EQ(moved.Get(), original);
    EXPECT_EQ(destroyed, 0);
}

TEST(CopyOnWrite, MissingCreateCopyThrowsAndLeavesCountsBalanced)
{
    std::atomic<int> destroyed{0};
    RCPtr<Tracked> owner(new Tracked(&destroyed));
    owner->SetUnshareable(true);
    const std::string expected = "Logic Error : CreateCopy() not implemented for RefCountedObject : "
                                 "KX::LRefCountedObject::CreateCopy : objectbase\\RefCountedObject : Line 233";

    EXPECT_EQ(ThrownText([&] { RCPtr<Tracked> copy(owner); }), expected);
    EXPECT_EQ(owner->GetRefCount(), 1);

    RCPtr<Tracked> target(new Tracked(&destroyed));
    Tracked* kept = target.Get();
    EXPECT_EQ(ThrownText([&] { target = owner; }), expected);
    EXPECT_EQ(target.Get(), kept);
    EXPECT_EQ(kept->GetRefCount(), 1);
    EXPECT_EQ(owner->GetRefCount(), 1);
    EXPECT_EQ(destroyed, 0);
}

TEST(CopyOnWrite, CopyOfTheWrongKindThrowsWithTheTypeNameAndLeavesNull)
{
    std::atomic<int> destroyed{0};
    for (bool giveOther : {false, true}) {
        RCPtr<BadCopy> owner(new BadCopy(&destroyed, giveOther));
        owner->SetUnshareable(true);
        RCPtr<BadCopy>* made = nullptr;
        EXPECT_EQ(ThrownText([&] { made = new RCPtr<BadCopy>(owner); }),
                  "Logic Error : class KX::Test::(anonymous namespace)::BadCopy : KX::ConstRCPtr<class "
                  "KX::Test::(anonymous "
                  "namespace)::BadCopy>::Unshare : objectbase\\RefCountedObject : Line 377");
        EXPECT_EQ(made, nullptr);
        EXPECT_EQ(owner->GetRefCount(), 1);

        // Unshare called directly on a second holder: the old object is released, the pointer stays null.
        owner->SetUnshareable(false);
        ConstRCPtr<BadCopy> second(owner);
        EXPECT_THROW(second.Unshare(), std::logic_error);
        EXPECT_FALSE(second);
        EXPECT_EQ(owner->GetRefCount(), 1);
    }
    EXPECT_EQ(destroyed, 2); // the two owners, nothing else
}

TEST(CopyOnWrite, UnshareLeavesASoleHolderAlone)
{
    std::atomic<int> destroyed{0};
    RCPtr<Copyable> only(new Copyable(&destroyed));
    Copyable* before = only.Get();
    only.Unshare();
    EXPECT_EQ(only.Get(), before);

    RCPtr<Copyable> second(only);
    second.Unshare();
    EXPECT_NE(second.Get(), before);
    EXPECT_EQ(before->GetRefCount(), 1);
    RCPtr<Copyable> none;
    none.Unshare();
    EXPECT_FALSE(none);
}

TEST(SetUnshareable, RefusedWhileSharedAndAlwaysReversible)
{
    RCPtr<Probe::Plain> a(new Probe::Plain);
    a->SetUnshareable(true);
    EXPECT_FALSE(a->IsShareable());
    a->SetUnshareable(false);

    RCPtr<Probe::Plain> b(a);
    EXPECT_EQ(ThrownText([&] { a->SetUnshareable(true); }),
              "Runtime Error : KX::LRefCountedObject::SetUnshareable : ObjectBase\\RefCountedObject : Line 29");
    EXPECT_TRUE(a->IsShareable());
    a->SetUnshareable(false);
    EXPECT_TRUE(a->IsShareable());
}

TEST(LRefCountedObject, DefaultTextsAndCopiesStartFresh)
{
    RCPtr<Probe::Plain> p(new Probe::Plain);
    EXPECT_EQ(Narrow(p->ToString()),
              "LRefCountedObject::ToString() not overridden. Returning TypeName: class KX::Test::Probe::Plain");
    EXPECT_EQ(ThrownText([&] { p->Undo(); }), "Logic Error : Undo() not implemented for RefCountedObject : "
                                              "KX::LRefCountedObject::Undo : objectbase\\RefCountedObject : Line 155");

    p->SetUnshareable(true);
    p->AdjustOwnerCount(3);
    Probe::Plain copy(*p);
    EXPECT_EQ(copy.GetRefCount(), 0);
    EXPECT_EQ(copy.GetOwnerCount(), 0);
    EXPECT_TRUE(copy.IsShareable());
    p->AdjustOwnerCount(-3);
}

// Holds references to itself through two "registrations" and drops them in BreakCycles.
class SelfHolder : public Tracked {
public:
    SelfHolder(std::atomic<int>* destroyed, int* breakCalls) : Tracked(destroyed), breakCalls(*breakCalls) {}
    void Register()
    {
        registrations.emplace_back(this);
        AdjustOwnerCount(1);
    }
    KXRESULT BreakCycles() override
    {
        ++breakCalls;
        const int dropped = static_cast<int>(registrations.size());
        registrations.clear();
        AdjustOwnerCount(-dropped);
        return LRefCountedObject::BreakCycles();
    }
    std::vector<RCPtr<SelfHolder>> registrations;
    int& breakCalls;
};

TEST(BreakCycles, LastOutsideReleaseAsksOnceAndDestroysTheCycle)
{
    std::atomic<int> destroyed{0};
    int breakCalls = 0;
    auto* object = new SelfHolder(&destroyed, &breakCalls);
    RCPtr<SelfHolder> outside(object);
    RCPtr<SelfHolder> second(object);
    object->Register();
    object->Register();
    EXPECT_EQ(object->GetRefCount(), 4);
    EXPECT_EQ(object->GetOwnerCount(), 2);

    second = nullptr; // another outside reference remains: not asked
    EXPECT_EQ(breakCalls, 0);
    EXPECT_EQ(destroyed, 0);

    outside = nullptr; // the two releases inside BreakCycles do not ask again
    EXPECT_EQ(breakCalls, 1);
    EXPECT_EQ(destroyed, 1);
}

TEST(BreakCycles, NotAskedWithoutOwnersAndBaseResultFollowsTheCounts)
{
    std::atomic<int> destroyed{0};
    int breakCalls = 0;
    RCPtr<SelfHolder> p(new SelfHolder(&destroyed, &breakCalls));
    EXPECT_EQ(p->LRefCountedObject::BreakCycles(), KX::S_OK);
    p->AdjustOwnerCount(1);
    EXPECT_EQ(p->LRefCountedObject::BreakCycles(), KX::E_FAIL);
    p->AdjustOwnerCount(-1);
    RCPtr<SelfHolder> q(p);
    EXPECT_EQ(p->LRefCountedObject::BreakCycles(), KX::E_FAIL);
    q = nullptr;
    p = nullptr;
    EXPECT_EQ(breakCalls, 0);
    EXPECT_EQ(destroyed, 1);
}

TEST(RCPtrThreads, SharingAndReleasingFromManyThreadsDestroysEachObjectOnce)
{
    constexpr int kObjects = 8;
    constexpr int kThreads = 6;
    std::atomic<int> destroyed{0};
    int copies = 0;
    {
        std::vector<RCPtr<Copyable>> objects;
        for (int i = 0; i < kObjects; ++i)
            objects.emplace_back(new Copyable(&destroyed, i));
        // One unshareable object: every pointer the threads take to it must be a private copy.
        objects[0]->SetUnshareable(true);

        std::atomic<int> wrongValues{0};
        std::atomic<int> sharedUnshareable{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                std::vector<ConstRCPtr<LRefCountedObject>> held(4);
                for (int k = 0; k < 4000; ++k) {
                    const int i = (k * 7 + t) % kObjects;
                    ConstRCPtr<Copyable> mine(objects[i]);
                    if (mine->value != i)
                        ++wrongValues;
                    if (i == 0 && mine.Get() == objects[0].Get())
                        ++sharedUnshareable;
                    held[k % held.size()] = mine;
                    if (k % 5 == 0)
                        held[(k + 1) % held.size()] = nullptr;
                }
            });
        }
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(wrongValues, 0);
        EXPECT_EQ(sharedUnshareable, 0);
        for (const auto& object : objects)
            EXPECT_EQ(object->GetRefCount(), 1);
        // The originals are all alive, so everything destroyed so far was a private copy.
        copies = destroyed.load();
        EXPECT_GT(copies, 0);
    }
    EXPECT_EQ(destroyed, copies + kObjects);
}

} // namespace

} // namespace KX::Test
