#include "KXFramework/Controls/TextEditModel.h"

#include <algorithm>
#include <cstdlib>

namespace KX {

namespace {

bool IsWhite(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == 0x00A0 ||
           c == 0x3000;
}

String Replace(const String& text, int32_t start, int32_t count, const String& insert)
{
    return text.Left(unsigned(start)) + insert + text.Mid(unsigned(start + count));
}

} // namespace

void LTextEditModel::PlaceCaret(int32_t position)
{
    m_caret = position;
    if (m_selectionLength == 0)
        m_selectionAnchor = m_caret;
}

bool LTextEditModel::SelectRange(int32_t first, int32_t last)
{
    const int32_t length = GetLength();
    int32_t start = m_selectionStart;
    int32_t count = m_selectionLength;
    if (first == 0 && last == -1) {
        start = 0;
        count = length;
        m_selectionAnchor = 0;
    } else if (first == -1) {
        start = count = 0;
        m_selectionAnchor = 0;
    } else if (first < 0 || last < 0 || first >= length || last >= length) {
        return false;
    } else {
        start = std::min(first, last);
        count = std::abs(last - first) + 1;
        m_selectionAnchor = start;
    }
    if (start == m_selectionStart && count == m_selectionLength)
        return false;
    m_selectionStart = start;
    m_selectionLength = count;
    return true;
}

bool LTextEditModel::SetSelection(int32_t start, int32_t length, int32_t anchor)
{
    bool changed = false;
    if (length > 0) {
        changed = SelectRange(start, start + length - 1);
    } else if (m_selectionStart != start || m_selectionLength != 0) {
        m_selectionStart = start;
        m_selectionLength = 0;
        changed = true;
    }
    m_selectionAnchor = anchor;
    return changed;
}

bool LTextEditModel::ClearSelection()
{
    const bool had = m_selectionLength != 0;
    m_selectionStart = m_selectionLength = m_selectionAnchor = 0;
    return had;
}

bool LTextEditModel::ExtendSelectionTo(int32_t& position)
{
    position = std::clamp(position, 0, GetLength());
    const int32_t anchor = m_selectionAnchor;
    return SetSelection(std::min(anchor, position), std::abs(position - anchor), anchor);
}

bool LTextEditModel::SelectFromCaretAnchorTo(int32_t target)
{
    const int32_t anchor = m_selectionLength == 0 ? m_caret : m_selectionAnchor;
    return SetSelection(std::min(anchor, target), std::abs(anchor - target), anchor);
}

int32_t LTextEditModel::PreviousWordStart() const
{
    int32_t i = m_caret;
    while (i > 0 && IsWhite(m_text.GetData()[i - 1]))
        --i;
    while (i > 0 && !IsWhite(m_text.GetData()[i - 1]))
        --i;
    return i;
}

int32_t LTextEditModel::NextWordStart() const
{
    const int32_t n = GetLength();
    int32_t i = m_caret;
    while (i < n && IsWhite(m_text.GetData()[i]))
        ++i;
    while (i < n && !IsWhite(m_text.GetData()[i]))
        ++i;
    while (i < n && IsWhite(m_text.GetData()[i]))
        ++i;
    return i;
}

int32_t LTextEditModel::WordEnd() const
{
    int32_t end = NextWordStart();
    while (end > m_caret && IsWhite(m_text.GetData()[end - 1]))
        --end;
    return end;
}

void LTextEditModel::SetCharacterList(const String& characters, bool allows)
{
    m_characterList = characters;
    m_characterListAllows = allows;
}

bool LTextEditModel::IsTypable(char16_t c)
{
    // The C locale of the program would refuse every letter beyond ASCII, so the test is on
    // Unicode ranges.
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFFFE || c == 0xFFFF)
        return false;
    return !(c >= 0xD800 && c < 0xE000);
}

bool LTextEditModel::Admits(char16_t c) const
{
    if (m_characterList.IsEmpty())
        return true;
    const bool listed = m_characterList.Find(String(c)) >= 0;
    return listed == m_characterListAllows;
}

bool LTextEditModel::Fits(int64_t length) const
{
    return (m_maxLength <= 0 || length <= m_maxLength) && length <= int64_t(kHardLimit);
}

LTextEditModel::Typing LTextEditModel::Type(char16_t c, Edit& edit)
{
    String copy = m_text;
    if (m_selectionLength > 0) {
        copy = Replace(copy, m_selectionStart, m_selectionLength, String());
        const int32_t start = m_selectionStart;
        ClearSelection();
        m_caret = std::min(start, int32_t(copy.GetLength()));
    }
    if (m_maxLength > 0 && int32_t(copy.GetLength()) >= m_maxLength) {
        edit = {copy, m_caret};
        return Typing::Full;
    }
    if (Failed(copy.Insert(unsigned(m_caret), String(c))))
        return Typing::Refused; // nothing was typed, so the caret stays
    edit = {copy, m_caret + 1};
    return Typing::Inserted;
}

LTextEditModel::Edit LTextEditModel::DeleteRange(int32_t start, int32_t count) const
{
    return {Replace(m_text, start, count, String()), start};
}

LTextEditModel::Edit LTextEditModel::DeleteSelection() const
{
    return DeleteRange(m_selectionStart, m_selectionLength);
}

bool LTextEditModel::ReplaceSelection(const String& text, Edit& edit) const
{
    if (m_selectionLength <= 0 || !Fits(int64_t(GetLength()) - m_selectionLength + text.GetLength()))
        return false;
    edit = {Replace(m_text, m_selectionStart, m_selectionLength, text), m_selectionStart + int32_t(text.GetLength())};
    return true;
}

// The box is one line of visible text: control characters (NUL included) are dropped and a
// surrogate without its partner becomes U+FFFD, so the text always converts to UTF-8 cleanly.
String LTextEditModel::CleanPastedText(const String& text)
{
    String out;
    const char16_t* p = text.GetData();
    const unsigned n = text.GetLength();
    for (unsigned i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x20 || (c >= 0x7F && c < 0xA0))
            continue;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000) {
            out.AppendChar(c);
            out.AppendChar(p[++i]);
        } else if (c >= 0xD800 && c < 0xE000) {
            out.AppendChar(0xFFFD);
        } else {
            out.AppendChar(c);
        }
    }
    return out;
}

bool LTextEditModel::InsertAtCaret(const String& text, Edit& edit) const
{
    if (!Fits(int64_t(GetLength()) + text.GetLength()))
        return false;
    edit = {Replace(m_text, m_caret, 0, text), m_caret + int32_t(text.GetLength())};
    return true;
}

} // namespace KX
