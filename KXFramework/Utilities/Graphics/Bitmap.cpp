#include "KXFramework/Utilities/Graphics/Bitmap.h"

#include "KXFramework/Platform/Files/FileAccess.h"
#include "KXFramework/Platform/Graphics/Png.h"
#include "KXFramework/Platform/Resources/Resources.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace KX {

struct LBitmap::Key {
    std::u16string name;
    int x, y, w, h;
    bool whole;
    auto Tie() const { return std::tie(name, x, y, w, h, whole); }
    bool operator<(const Key& other) const { return Tie() < other.Tie(); }
};

namespace {

std::atomic<int> g_nextHandle{1};

std::shared_ptr<const Platform::Image> Decode(const String& name)
{
    const char16_t* text = name.GetData();
    if (text[0] == u':' && text[1] == u':') {
        const ResourceView resource = FindResource(u"GDIPLUS", text + 2);
        if (!resource || resource.size > LBitmap::kMaxFileBytes)
            return nullptr;
        return Platform::DecodePng(resource.data, resource.size);
    }
    std::string bytes;
    const std::string path(name.ToNarrow().GetData());
    if (path.empty() ||
        Platform::Files::ReadWholeFile(path, LBitmap::kMaxFileBytes, bytes) != Platform::Files::ReadStatus::Ok)
        return nullptr;
    return Platform::DecodePng(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

// The bitmaps loaded and alive. Each holds one reference on the list's behalf, counted as an owner
// reference, so that the release of its last outside reference takes it out (BreakCycles).
struct LoadedBitmaps {
    std::recursive_mutex mutex;
    std::map<LBitmap::Key, LBitmap*> bitmaps;
};

static LoadedBitmaps& Loaded()
{
    static auto* loaded = new LoadedBitmaps;
    return *loaded;
}

LBitmap::LBitmap(std::shared_ptr<const Platform::Image> image, int x, int y, int w, int h)
    : m_image(std::move(image)),
      m_x(x),
      m_y(y),
      m_width(w),
      m_height(h),
      m_handle(g_nextHandle++)
{
}

LBitmap::~LBitmap() = default;

RCPtr<LBitmap> LBitmap::Load(const String& name)
{
    return LoadShared(name, 0, 0, 0, 0, true);
}

RCPtr<LBitmap> LBitmap::Load(const String& name, int x, int y, int w, int h)
{
    return LoadShared(name, x, y, w, h, false);
}

RCPtr<LBitmap> LBitmap::LoadShared(const String& name, int x, int y, int w, int h, bool whole)
{
    LoadedBitmaps& loaded = Loaded();
    std::lock_guard<std::recursive_mutex> lock(loaded.mutex);
    Key key{name.GetData(), x, y, w, h, whole};
    auto found = loaded.bitmaps.find(key);
    if (found != loaded.bitmaps.end())
        return RCPtr<LBitmap>(found->second);

    std::shared_ptr<const Platform::Image> image;
    if (whole) {
        image = Decode(name);
    } else {
        const RCPtr<LBitmap> source = LoadShared(name, 0, 0, 0, 0, true);
        image = source ? source->m_image : nullptr;
    }
    if (!image)
        return nullptr;
    if (whole) {
        w = image->width;
        h = image->height;
    } else {
        // Cut to the image, in 64 bits so that no sum overflows.
        const int64_t left = std::max<int64_t>(x, 0);
        const int64_t top = std::max<int64_t>(y, 0);
        const int64_t right = std::min<int64_t>(int64_t(x) + w, image->width);
        const int64_t bottom = std::min<int64_t>(int64_t(y) + h, image->height);
        if (right <= left || bottom <= top)
            return nullptr;
        x = int(left);
        y = int(top);
        w = int(right - left);
        h = int(bottom - top);
    }
    RCPtr<LBitmap> bitmap(new LBitmap(std::move(image), x, y, w, h));
    bitmap->m_key = std::make_unique<Key>(key);
    bitmap->AddRef();
    bitmap->AdjustOwnerCount(1);
    loaded.bitmaps.emplace(key, bitmap.Get());
    return bitmap;
}

KXRESULT LBitmap::BreakCycles()
{
    LoadedBitmaps& loaded = Loaded();
    std::unique_lock<std::recursive_mutex> lock(loaded.mutex);
    // Another thread may have loaded this bitmap again since its last reference started to go.
    if (m_key && GetRefCount() == GetOwnerCount() + 1) {
        loaded.bitmaps.erase(*m_key);
        m_key.reset();
        AdjustOwnerCount(-1);
        Release();
    }
    lock.unlock();
    return LRefCountedObject::BreakCycles();
}

RCPtr<LBitmap> LBitmap::FromImage(std::shared_ptr<const Platform::Image> image)
{
    if (!image || image->width < 1 || image->height < 1 ||
        image->pixels.size() < size_t(image->stride) * size_t(image->height) || image->stride < image->width * 4)
        return nullptr;
    const int w = image->width;
    const int h = image->height;
    return RCPtr<LBitmap>(new LBitmap(std::move(image), 0, 0, w, h));
}

const RCPtr<LBitmap>& LBitmap::GetNull()
{
    static const auto* null = new RCPtr<LBitmap>();
    return *null;
}

int LBitmap::GetHandle(const ConstRCPtr<LBitmap>& bitmap)
{
    return bitmap ? bitmap->m_handle : 0;
}

KXRESULT LBitmap::GetPixel(int x, int y, float& r, float& g, float& b, float& a) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return E_INVALIDARG;
    const uint8_t* p = m_image->pixels.data() + size_t(m_y + y) * size_t(m_image->stride) + size_t(m_x + x) * 4;
    const float alpha = p[3] / 255.0f;
    // Premultiplied to straight; a transparent pixel has no colour.
    const float unmultiply = p[3] == 0 ? 0.0f : 1.0f / p[3];
    r = p[2] * unmultiply;
    g = p[1] * unmultiply;
    b = p[0] * unmultiply;
    a = alpha;
    return S_OK;
}

void LBitmap::GetSourceRect(int& x, int& y, int& w, int& h) const
{
    x = m_x;
    y = m_y;
    w = m_width;
    h = m_height;
}

KXRESULT LBitmap::LockBits(LBitmapData& out) const
{
    out.width = m_width;
    out.height = m_height;
    out.stride = m_image->stride;
    out.pixels = m_image->pixels.data() + size_t(m_y) * size_t(m_image->stride) + size_t(m_x) * 4;
    return S_OK;
}

} // namespace KX
