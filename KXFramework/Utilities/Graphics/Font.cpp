#include "KXFramework/Utilities/Graphics/Font.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace KX {

namespace {

struct FontList {
    std::mutex lock;
    std::vector<RCPtr<LFont>> fonts;
    LFont::MetricsProvider provider;
};

FontList& Fonts()
{
    static FontList* list = new FontList; // never destroyed: fonts may be released by static destructors
    return *list;
}

std::atomic<int> g_nextUniqueID{1};

} // namespace

LFont::LFont(const String& face, float size, int style)
    : m_face(face),
      m_size(size),
      m_style(style),
      m_uniqueID(g_nextUniqueID.fetch_add(1))
{}

void LFont::FindOrCreate(RCPtr<LFont>& out, const String& face, float size, int style)
{
    FontList& list = Fonts();
    std::lock_guard<std::mutex> guard(list.lock);
    const String lowerFace = face.ToLower();
    for (const RCPtr<LFont>& font : list.fonts) {
        if (font->m_size == size && font->m_style == style && font->m_face.ToLower() == lowerFace) {
            out = font;
            return;
        }
    }
    RCPtr<LFont> font(new LFont(face, size, style));
    list.fonts.push_back(font);
    out = font;
}

int LFont::GetUniqueID(const LFont& font)
{
    return font.m_uniqueID;
}

void LFont::SetMetricsProvider(MetricsProvider provider)
{
    FontList& list = Fonts();
    std::lock_guard<std::mutex> guard(list.lock);
    list.provider = std::move(provider);
}

void LFont::ReleaseAll()
{
    std::vector<RCPtr<LFont>> released;
    {
        FontList& list = Fonts();
        std::lock_guard<std::mutex> guard(list.lock);
        released.swap(list.fonts);
    }
}

LFont::Metrics LFont::GetMetrics() const
{
    if (m_measured)
        return m_metrics;
    MetricsProvider provider;
    {
        FontList& list = Fonts();
        std::lock_guard<std::mutex> guard(list.lock);
        provider = list.provider;
    }
    Metrics measured{};
    if (provider && provider(*this, measured.lineHeight, measured.ascent, measured.descent) >= 0) {
        m_metrics = measured;
        m_measured = true;
        return measured;
    }
    const float pixels = m_size * 96.0f / 72.0f;
    return {1.2f * pixels, -0.8f * pixels, 0.2f * pixels};
}

float LFont::GetLineHeight() const
{
    return GetMetrics().lineHeight;
}

float LFont::GetAscent() const
{
    return GetMetrics().ascent;
}

float LFont::GetDescent() const
{
    return GetMetrics().descent;
}

bool LFont::Differs(const LFont& other) const
{
    return m_face != other.m_face || m_size != other.m_size || m_style != other.m_style;
}

} // namespace KX
