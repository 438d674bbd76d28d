#pragma once
// Bitmaps: a decoded PNG, or a sub-rectangle of one, shared and reference counted. Loaded bitmaps
// are kept in a process-wide list while they live, so that loading the same name and rectangle
// again gives the same object.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Platform/Graphics/Image.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <memory>

namespace KX {

// A read-only view of a bitmap's 32-bit premultiplied BGRA pixels.
struct LBitmapData {
    int width = 0;
    int height = 0;
    int stride = 0;
    const uint8_t* pixels = nullptr;
};

class LBitmap : public virtual LRefCountedObject {
public:
    // Encoded files larger than this are refused unread.
    static constexpr size_t kMaxFileBytes = 64u << 20;

    // An image resource of type "GDIPLUS" when the name begins "::", else a file. Null when it is
    // missing or not a valid PNG within the size cap.
    static RCPtr<LBitmap> Load(const String& name);
    // The rectangle is cut to the image; null when nothing remains.
    static RCPtr<LBitmap> Load(const String& name, int x, int y, int w, int h);
    // A bitmap of its own over decoded pixels (coloured bitmaps); not in the list of loaded ones.
    static RCPtr<LBitmap> FromImage(std::shared_ptr<const Platform::Image> image);
    static const RCPtr<LBitmap>& GetNull();
    // A process-unique serial number; 0 for null.
    static int GetHandle(const ConstRCPtr<LBitmap>& bitmap);

    ~LBitmap() override;

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    // Straight colour in 0..1; E_INVALIDARG outside the bitmap.
    [[nodiscard]] KXRESULT GetPixel(int x, int y, float& r, float& g, float& b, float& a) const;
    std::shared_ptr<const Platform::Image> GetImage() const { return m_image; }
    // This bitmap's rectangle in its image.
    void GetSourceRect(int& x, int& y, int& w, int& h) const;
    // The first pixel of the bitmap's rectangle and the image's stride; no copy.
    [[nodiscard]] KXRESULT LockBits(LBitmapData& out) const;
    void UnlockBits() const {}
    KXRESULT BreakCycles() override;

    struct Key; // where a loaded bitmap is listed

private:
    LBitmap(std::shared_ptr<const Platform::Image> image, int x, int y, int w, int h);
    static RCPtr<LBitmap> LoadShared(const String& name, int x, int y, int w, int h, bool whole);

    std::shared_ptr<const Platform::Image> m_image;
    int m_x;
    int m_y;
    int m_width;
    int m_height;
    int m_handle;
    std::unique_ptr<Key> m_key; // set while the bitmap is in the list of loaded ones
};

} // namespace KX
