#include "KXFramework/Utilities/Graphics/Font.h"

#include <atomic>
#include <vector>

namespace KX {

namespace {

struct FontList {
    std::mutex mutex;
    std::vector<RCPtr<LFont>> fonts;
};

FontList& List()
{
    static auto* list = new FontList;
    return *list;
}

std::atomic<int> g_nextId{1};

} // namespace

LFont::LFont(const String& face, float size, int style) : m_face(face), m_size(size), m_style(style), m_id(g_nextId++)
{
}

void LFont::FindOrCreate(RCPtr<LFont>& out, const String& face, float size, int style)
{
    FontList& list = List();
    std::lock_guard<std::mutex> lock(list.mutex);
    const String lower = face.ToLower();
    for (const RCPtr<LFont>& font : list.fonts) {
        if (font->m_size == size && font->m_style == style && font->m_face.ToLower() == lower) {
            out = font;
            return;
        }
    }
    out = RCPtr<LFont>(new LFont(face, size, style));
    list.fonts.push_back(out);
}

ServiceSlot<LFont::MetricsProvider>& LFont::MetricsProviderSlot()
{
    static auto* slot = new ServiceSlot<MetricsProvider>;
    return *slot;
}

void LFont::SetMetricsProvider(MetricsProvider provider)
{
    MetricsProviderSlot().Set(std::move(provider));
}

void LFont::ReleaseAll()
{
    std::vector<RCPtr<LFont>> fonts;
    {
        FontList& list = List();
        std::lock_guard<std::mutex> lock(list.mutex);
        fonts.swap(list.fonts);
    }
}

void LFont::Measure() const
{
    if (m_measured)
        return;
    const MetricsProvider provider = MetricsProviderSlot().Get();
    float lineHeight = 0.0f;
    float ascent = 0.0f;
    float descent = 0.0f;
    if (provider && provider(*this, lineHeight, ascent, descent) >= 0) {
        m_lineHeight = lineHeight;
        m_ascent = ascent;
        m_descent = descent;
        m_measured = true;
        return;
    }
    // Until someone can measure, an estimate that is not kept.
    const float pixels = m_size * 96.0f / 72.0f;
    m_lineHeight = 1.2f * pixels;
    m_ascent = -0.8f * pixels;
    m_descent = 0.2f * pixels;
}

float LFont::GetLineHeight() const
{
    Measure();
    return m_lineHeight;
}

float LFont::GetAscent() const
{
    Measure();
    return m_ascent;
}

float LFont::GetDescent() const
{
    Measure();
    return m_descent;
}

bool LFont::Differs(const LFont& other) const
{
    return m_face != other.m_face || m_size != other.m_size || m_style != other.m_style;
}

} // namespace KX
