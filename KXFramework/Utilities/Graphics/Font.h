#pragma once
// Fonts: face name, size in points and style bits, with three metrics measured once through the
// measurement renderer. Fonts live in one process-wide list.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/ObjectBase/ServiceSlot.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <functional>

namespace KX {

class LFont : public virtual LRefCountedObject {
public:
    enum Style { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeout = 8 };
    using MetricsProvider = std::function<KXRESULT(const LFont&, float& lineHeight, float& ascent, float& descent)>;

    // The listed font whose face matches without regard to case, with the same size and style;
    // else a new one, added to the list.
    static void FindOrCreate(RCPtr<LFont>& out, const String& face, float size, int style);
    static int GetUniqueID(const LFont& font) { return font.m_id; }
    // Who measures fonts (the application wires the measurement renderer at start-up).
    static ServiceSlot<MetricsProvider>& MetricsProviderSlot();
    static void SetMetricsProvider(MetricsProvider provider);
    // Empties the list at exit.
    static void ReleaseAll();

    const String& GetFace() const { return m_face; }
    float GetSize() const { return m_size; }
    int GetStyle() const { return m_style; }
    float GetLineHeight() const;
    // Negative: above the baseline.
    float GetAscent() const;
    float GetDescent() const;
    // Faces compared with case, sizes, styles.
    bool Differs(const LFont& other) const;

private:
    LFont(const String& face, float size, int style);
    void Measure() const;

    String m_face;
    float m_size;
    int m_style;
    int m_id;
    mutable bool m_measured = false;
    mutable float m_lineHeight = 0.0f;
    mutable float m_ascent = 0.0f;
    mutable float m_descent = 0.0f;
};

} // namespace KX
