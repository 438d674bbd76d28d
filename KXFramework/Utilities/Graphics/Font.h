#pragma once
// A font as the framework names it: face, size in points and style bits, with its three metrics
// measured once through the renderer that the application registers. Fonts are shared: one object
// per (face ignoring case, size, style) in a process-wide list.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <functional>

namespace KX {

class LFont : public virtual LRefCountedObject {
public:
    // Style bits.
    static constexpr int kBold = 1;
    static constexpr int kItalic = 2;
    static constexpr int kUnderline = 4;
    static constexpr int kStrikeout = 8;

    using MetricsProvider
        = std::function<KXRESULT(const LFont& font, float& lineHeight, float& ascent, float& descent)>;

    // The listed font with this face (ASCII case ignored), size and style; a new one otherwise.
    static void FindOrCreate(RCPtr<LFont>& out, const String& face, float size, int style);
    // A process-unique serial, set when the font is made.
    static int GetUniqueID(const LFont& font);
    // Measures fonts from now on; fonts measured before keep their metrics.
    static void SetMetricsProvider(MetricsProvider provider);
    // Empties the font list; the fonts live on while referenced elsewhere.
    static void ReleaseAll();

    const String& GetFace() const { return m_face; }
    float GetSize() const { return m_size; }
    int GetStyle() const { return m_style; }
    float GetLineHeight() const;
    // Negative: above the baseline.
    float GetAscent() const;
    // Positive: below the baseline.
    float GetDescent() const;
    // Faces compared case-sensitively, sizes, styles.
    bool Differs(const LFont& other) const;

private:
    LFont(const String& face, float size, int style);

    struct Metrics {
        float lineHeight;
        float ascent;
        float descent;
    };
    // Measured once when a provider answers; otherwise the estimate, not kept.
    Metrics GetMetrics() const;

    const String m_face;
    const float m_size;
    const int m_style;
    const int m_uniqueID;
    mutable bool m_measured = false;
    mutable Metrics m_metrics{};
};

} // namespace KX
