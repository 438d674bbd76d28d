#pragma once
// KX::VariantEx: a Variant that renders itself as text, parses its text values in the numeric
// conversions, and keeps an owned block in a reference-counted buffer that GetBuffer hands out.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/Utilities/Storage/IArray.h"
#include "KXFramework/Utilities/Storage/StringT.h"
#include "KXFramework/Utilities/Storage/Variant.h"

namespace KX {

class VariantEx : public Variant, public IStringable {
public:
    // Lists nested deeper than this render as an ellipsis, so a list from outside cannot exhaust
    // the stack.
    static constexpr unsigned MaxRenderedDepth = 64;

    VariantEx() = default;
    // A copy never shares its source's buffer: it gets its own block through Alloc.
    VariantEx(const Variant& other);
    VariantEx(const VariantEx& other);
    ~VariantEx() override;
    int operator=(const Variant& other) { return Variant::operator=(other); }
    int operator=(const VariantEx& other) { return Variant::operator=(other); }

    // A text value (tag 15) parses its text; every other kind converts as a Variant does.
    bool ToBool() const override;
    int8_t ToInt8() const override;
    int16_t ToInt16() const override;
    int32_t ToInt32() const override;
    int64_t ToInt64() const override;
    uint16_t ToUInt16() const override;
    uint32_t ToUInt32() const override;
    uint64_t ToUInt64() const override;
    float ToFloat() const override;
    double ToDouble() const override;

    void* Alloc(unsigned size) override;
    void Free(void* block) override;

    StringT<char16_t, char> ToString() const override;
    // Lists one item a line, each line indented by two spaces per level below `depth`.
    virtual StringT<char16_t, char> ToIndentedString(unsigned depth) const;

    // The buffer behind a blob or a text value; throws a runtime error for any other kind.
    const RCPtr<LIBuffer>& GetBuffer() const;

    // Copies the items of `list` into `items`: 0, also for an empty value with no items;
    // E_INVALIDARG for a value that is no list. A refused item stays as the reader left it
    // (empty, or a blob for a borrowed kind).
    [[nodiscard]] static KXRESULT GetListItems(const VariantEx& list, IArray<VariantEx>& items);

private:
    StringT<char16_t, char> Text() const;

    RCPtr<LIBuffer> buffer;
};

} // namespace KX
