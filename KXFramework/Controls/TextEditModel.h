#pragma once
// The editing rules of a single-line text box, apart from its window: the caret, the selection and
// its anchor, word boundaries, which characters may be typed (printable ones, filtered by an
// optional character list) and the text each edit leaves within the maximum length. The text it
// edits is its owner's (a control's text, which the skin may set too); an edit gives the owner the
// text and caret to take.
// Thread: UI thread only.
#include "KXFramework/ObjectBase/Result.h"
#include "KXFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace KX {

class LTextEditModel {
public:
    // The longest text a box holds whatever its maximum length: a larger paste or text is refused,
    // so input from outside cannot make every layout pass walk megabytes.
    static constexpr unsigned kHardLimit = 65536;

    // The text after an edit and the caret's place in it.
    struct Edit {
        String text;
        int32_t caret = 0;
    };
    enum class Typing {
        Refused, // not typable, or the text cannot take it: the text stays
        Full,    // the text is at its maximum length: only the selection went
        Inserted,
    };

    explicit LTextEditModel(const String& text) : m_text(text) {}

    const String& GetText() const { return m_text; }
    int32_t GetLength() const { return int32_t(m_text.GetLength()); }

    int32_t GetCaret() const { return m_caret; }
    // Sets the caret (the caller checks the range); the anchor follows it while nothing is selected.
    void PlaceCaret(int32_t position);
    int32_t GetSelectionStart() const { return m_selectionStart; }
    int32_t GetSelectionLength() const { return m_selectionLength; }
    int32_t GetSelectionAnchor() const { return m_selectionAnchor; }
    void SetSelectionAnchor(int32_t anchor) { m_selectionAnchor = anchor; }

    // These return true when the selected range changed. (0, -1) selects everything, -1 nothing;
    // a range past the text changes nothing.
    bool SelectRange(int32_t first, int32_t last);
    bool SetSelection(int32_t start, int32_t length, int32_t anchor);
    bool ClearSelection();
    // From the anchor to position (kept in the text); the caller moves the caret there.
    bool ExtendSelectionTo(int32_t& position);
    // From the anchor (the caret when nothing is selected) to target, as Shift with a move does.
    bool SelectFromCaretAnchorTo(int32_t target);

    // Word boundaries from the caret: the start of the word before it, the start of the next word,
    // and the end of the word at the caret (its trailing white space left out).
    int32_t PreviousWordStart() const;
    int32_t NextWordStart() const;
    int32_t WordEnd() const;

    // Empty: no restriction; allows: only the listed characters, else all but them.
    void SetCharacterList(const String& characters, bool allows);
    int32_t GetMaxLength() const { return m_maxLength; }
    void SetMaxLength(int32_t maximum) { m_maxLength = maximum; }
    // Printable: no control character, no lone surrogate half, no non-character.
    static bool IsTypable(char16_t c);
    // The character list lets c in.
    bool Admits(char16_t c) const;
    // Whether a text of that length fits the maximum length and the hard limit.
    bool Fits(int64_t length) const;

    // Typing c: a selection is removed first (the caret goes to its start), then c goes in at the
    // caret unless the text is full. Refused leaves edit alone.
    Typing Type(char16_t c, Edit& edit);
    Edit DeleteRange(int32_t start, int32_t count) const;
    Edit DeleteSelection() const;
    // The selection replaced by text, the caret after it; false when the result would not fit or
    // nothing is selected.
    bool ReplaceSelection(const String& text, Edit& edit) const;
    // A paste's text: control characters dropped, lone surrogate halves replaced.
    static String CleanPastedText(const String& text);
    // text inserted at the caret; false when it would not fit.
    bool InsertAtCaret(const String& text, Edit& edit) const;

private:
    const String& m_text;
    String m_characterList;
    bool m_characterListAllows = true;
    int32_t m_caret = 0;
    int32_t m_selectionStart = 0;
    int32_t m_selectionLength = 0;
    int32_t m_selectionAnchor = 0;
    int32_t m_maxLength = 0;
};

} // namespace KX
