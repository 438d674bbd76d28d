#pragma once
// The error a panel throws when its skin lacks a child it cannot work without:
// "Runtime Error : Null Pointer : <phrase> : <method> : <path> : Line <n>".
#include "KXFramework/ObjectBase/Exception.h"

#include <string>

[[noreturn]] inline void ThrowNullPointer(const std::string& phrase, const char* method, const char* path, int line)
{
    throw KX::Exception<std::runtime_error>("Runtime Error : Null Pointer : " + phrase +
                                            KX::SourcePlace(method, path, line));
}

// `pointer` when it holds a control, else the null-pointer error.
template <class P>
const P& RequireChild(const P& pointer, const std::string& phrase, const char* method, const char* path, int line)
{
    if (!pointer)
        ThrowNullPointer(phrase, method, path, line);
    return pointer;
}
