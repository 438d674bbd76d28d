#pragma once
// An array of strings with searches by text and by character storage, and the conversion of an
// ordered string map into an array of pairs.
#include "KXFramework/Utilities/Storage/Array.h"
#include "KXFramework/Utilities/Storage/StringT.h"
#include "KXFramework/Utilities/Storage/TextFunctions.h"

#include <algorithm>
#include <map>

namespace KX {

template <class CharT, class OtherT>
class StringArrayT : public Array<StringT<CharT, OtherT>> {
public:
    using Text = StringT<CharT, OtherT>;

    // The first index at or after startIndex whose element matches text, -1 when none. Without
    // case, only A-Z and a-z fold.
    int Find(const Text& text, bool caseSensitive, unsigned startIndex) const
    {
        const unsigned n = this->GetCount();
        for (unsigned i = startIndex; i < n; ++i) {
            const Text& element = this->GetData()[i];
            const bool match = caseSensitive ? element == text
                                             : element.GetString() == text.GetString() ||
                                                   CompareNoCase(element.GetString(), text.GetString()) == 0;
            if (match)
                return static_cast<int>(i);
        }
        return -1;
    }

    // The highest index whose character storage is text itself, -1 when none.
    int FindByAddress(const CharT* text) const
    {
        for (unsigned i = this->GetCount(); i-- > 0;) {
            if (this->GetData()[i].GetString() == text)
                return static_cast<int>(i);
        }
        return -1;
    }
};

// Empties to, then adds one pair per entry of from and sorts the pairs by key. Returns 0.
template <class CharT, class OtherT>
[[nodiscard]] KXRESULT CopyMapToArray(const std::map<StringT<CharT, OtherT>, StringT<CharT, OtherT>>& from,
                                      Array<Pair<StringT<CharT, OtherT>, StringT<CharT, OtherT>>>& to)
{
    to.Clear();
    for (const auto& [key, value] : from)
        to.AddItem({key, value});
    if (to.GetCount() >= 2)
        std::sort(to.begin(), to.end());
    return S_OK;
}

} // namespace KX
