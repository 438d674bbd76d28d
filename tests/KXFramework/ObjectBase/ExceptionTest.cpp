#include "KXFramework/ObjectBase/Exception.h"

#include <gtest/gtest.h>

namespace KX::Test {

namespace {

struct Plain {};
template <class A, class B>
struct Two {
};

TEST(ResultToString, UpperCaseHexWithoutPrefixOrPadding)
{
    EXPECT_EQ(KX::ResultToString(0), "KXRESULT = 0");
    EXPECT_EQ(KX::ResultToString(1), "KXRESULT = 1");
    EXPECT_EQ(KX::ResultToString(KX::E_FAIL), "KXRESULT = 80004005");
    EXPECT_EQ(KX::ResultToString(KX::E_INVALIDARG), "KXRESULT = 80070057");
}

TEST(QuietExit, OnlyTheSixStartUpCodes)
{
    for (uint32_t code : {0x8000A000u, 0x8000A001u, 0x8000A002u, 0x8000A003u, 0x8000A010u, 0x8000A020u})
        EXPECT_TRUE(KX::IsQuietExitResult(static_cast<KXRESULT>(code))) << std::hex << code;
    for (uint32_t code : {0x8000A004u, 0x8000A011u, 0x80004005u, 0u, 1u})
        EXPECT_FALSE(KX::IsQuietExitResult(static_cast<KXRESULT>(code))) << std::hex << code;
}

TEST(Exception, WhatAndGetErrorTextAgreeForEveryKind)
{
    auto check = [](const auto& e, const char* expected) {
        EXPECT_STREQ(e.what(), expected);
        EXPECT_STREQ(static_cast<const KX::ExceptionBase&>(e).GetErrorText(), expected);
    };
    check(KX::Exception<std::logic_error>("Logic Error : x : M : P : Line 1"), "Logic Error : x : M : P : Line 1");
    check(KX::Exception<std::runtime_error>(std::string("Runtime Error : Null Pointer : a : M : P : Line 2")),
          "Runtime Error : Null Pointer : a : M : P : Line 2");
    check(KX::Exception<std::out_of_range>("Out of Range : M : P : Line 3"), "Out of Range : M : P : Line 3");
    check(KX::Exception<std::domain_error>("Domain Error : M : P : Line 4"), "Domain Error : M : P : Line 4");
    check(KX::Exception<std::invalid_argument>("Invalid Argument : M : P : Line 5"),
          "Invalid Argument : M : P : Line 5");
    check(KX::Exception<std::bad_alloc>(), "bad allocation");
    check(KX::Exception<KX::FailedResultException>(std::string("Failed Result : KXRESULT = 1")),
          "Failed Result : KXRESULT = 1");
}

TEST(Exception, CopiesKeepTheTextAndAreCaughtByStandardKind)
{
    try {
        KX::Exception<std::out_of_range> original("Out of Range : M : P : Line 9");
        KX::Exception<std::out_of_range> copy(original);
        throw copy;
    } catch (const std::logic_error& e) { // out_of_range derives from logic_error
        EXPECT_STREQ(e.what(), "Out of Range : M : P : Line 9");
        EXPECT_NE(dynamic_cast<const KX::ExceptionBase*>(&e), nullptr);
    }
}

TEST(ThrowIfFailed, SuccessPassesAndFailureCarriesTheWholeMessage)
{
    EXPECT_NO_THROW(KX::ThrowIfFailed(0, " : M : P : Line 1"));
    EXPECT_NO_THROW(KX::ThrowIfFailed(1, " : M : P : Line 1"));
    try {
        KX::ThrowIfFailed(KX::E_FAIL, " : KX::MFCFrameworkApp<class LApplication>::Run : Application\\Main : Line 368");
        FAIL() << "no exception";
    } catch (const KX::FailedResultException& e) {
        EXPECT_STREQ(e.what(), "Failed Result : KXRESULT = 80004005 : KX::MFCFrameworkApp<class "
                               "LApplication>::Run : Application\\Main : Line 368");
    }
}

TEST(TypeName, ClassPrefixAndNoBlankAfterCommas)
{
    EXPECT_EQ(KX::TypeName(typeid(Plain)), "class KX::Test::(anonymous namespace)::Plain");
    EXPECT_EQ(KX::TypeName(typeid(Two<int, Plain>)),
              "class KX::Test::(anonymous namespace)::Two<int,KX::Test::(anonymous namespace)::Plain>");
}

} // namespace

} // namespace KX::Test
