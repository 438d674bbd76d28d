#pragma once
// The framework's exception family. Every message reads
// "<kind prefix><description : ><method> : <path> : Line <n>".
#include "KXFramework/ObjectBase/Result.h"

#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <typeinfo>

namespace KX {

struct ExceptionBase {
    virtual ~ExceptionBase() = default;
    // The text of the standard exception part of the same object.
    virtual const char* GetErrorText() const;
};

class FailedResultException : public std::exception {
public:
    explicit FailedResultException(const std::string& text) : message(text) {}
    const char* what() const noexcept override { return message.c_str(); }

    std::string message;
};

template <class E>
class Exception : public E, public ExceptionBase {
public:
    explicit Exception(const char* text) : E(text) {}
    explicit Exception(const std::string& text) : E(text) {}
};

template <>
class Exception<std::bad_alloc> : public std::bad_alloc, public ExceptionBase {
public:
    Exception() = default;
    const char* what() const noexcept override { return "bad allocation"; }
};

// " : <method> : <path> : Line <n>": the end of every message. Where the place is fixed, messages
// spell it out as one literal; this builds it where the method or the line is known only at run time.
std::string SourcePlace(std::string_view method, std::string_view path, int line);

// Throws the "Failed Result : " exception when r is a failure. `place` is the caller's
// " : <method> : <path> : Line <n>".
void ThrowIfFailed(KXRESULT r, const char* place);

// The run-time type name as messages spell it: "class " + the demangled name, no blank after commas.
std::string TypeName(const std::type_info& type);

} // namespace KX
