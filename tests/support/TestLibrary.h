#pragma once
// Opens the test device-control client library for a test and resets it; the test reaches its
// control functions through Fn. The library stays loaded while this object lives, so its records
// outlive the clients that load and unload it.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace KX::Test {

class TestLibrary {
public:
    TestLibrary() : m_handle(dlopen(KX_TEST_DCC_LIBRARY, RTLD_NOW | RTLD_LOCAL))
    {
        EXPECT_NE(m_handle, nullptr) << dlerror();
        if (m_handle)
            Fn<void (*)()>("TestDCC_Reset")();
    }
    ~TestLibrary()
    {
        if (m_handle) {
            Fn<void (*)()>("TestDCC_Reset")();
            dlclose(m_handle);
        }
    }
    TestLibrary(const TestLibrary&) = delete;
    TestLibrary& operator=(const TestLibrary&) = delete;

    static const char* Path() { return KX_TEST_DCC_LIBRARY; }

    template <class F>
    F Fn(const char* name) const
    {
        return reinterpret_cast<F>(dlsym(m_handle, name));
    }

    int CallCount(const char* function) const { return Fn<int (*)(const char*)>("TestDCC_CallCount")(function); }

private:
    void* m_handle;
};

} // namespace KX::Test
