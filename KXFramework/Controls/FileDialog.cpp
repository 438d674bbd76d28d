#include "KXFramework/Controls/FileDialog.h"

#include "KXFramework/Platform/Dialogs/FileChooser.h"
#include "KXFramework/Platform/Dialogs/MessageBoxService.h"
#include "KXFramework/Platform/Text/TextConversion.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace KX {

namespace {

std::u16string ToU16(const String& text)
{
    return std::u16string(text.GetData(), text.GetLength());
}

String FromU16(const std::u16string& text)
{
    return String(text.c_str());
}

// "description|pattern|description|pattern": an odd last part has no pattern and is dropped.
std::vector<std::pair<std::u16string, std::u16string>> SplitFilter(const String& filter)
{
    std::vector<std::u16string> parts;
    std::u16string current;
    for (char16_t c : ToU16(filter)) {
        if (c == u'|') {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        parts.push_back(current);
    std::vector<std::pair<std::u16string, std::u16string>> out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
        out.emplace_back(parts[i], parts[i + 1]);
    return out;
}

std::u16string AbsoluteFolder(const String& folder)
{
    std::error_code error;
    const std::filesystem::path path(Platform::Utf8FromUtf16(ToU16(folder.IsEmpty() ? String(u".") : folder)));
    const std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
    if (error)
        return ToU16(folder);
    std::string text = absolute.string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return Platform::Utf16FromUtf8(text);
}

size_t LastSlash(const std::u16string& path)
{
    return path.find_last_of(u'/');
}

// The folder part of a path, "/" for a file at the root.
std::u16string FolderOf(const std::u16string& path)
{
    const size_t slash = LastSlash(path);
    return slash == std::u16string::npos ? path : path.substr(0, slash == 0 ? 1 : slash);
}

// "*.Kivo61PresetEditor" -> "Kivo61PresetEditor"; an extension is what follows a leading "*." or ".".
std::u16string ExtensionOf(const String& defaultExtension)
{
    std::u16string e = ToU16(defaultExtension);
    if (e.rfind(u"*.", 0) == 0)
        e.erase(0, 2);
    else if (e.rfind(u".", 0) == 0)
        e.erase(0, 1);
    return e.find_first_of(u"*?;") == std::u16string::npos ? e : std::u16string();
}

} // namespace

LFileDialog::LFileDialog(const String& initialFolder, Platform::FileChooser& chooser,
                         Platform::MessageBoxService& messageBox)
    : m_chooser(chooser),
      m_messageBox(messageBox),
      m_initialFolder(initialFolder)
{
}

void LFileDialog::Remember(const String& path)
{
    m_path = path;
    m_initialFolder = FromU16(FolderOf(ToU16(path)));
}

KXRESULT LFileDialog::ShowOpen(const String& filter, const String& /*defaultExtension*/, const String& title,
                               bool allowMultiple)
{
    Platform::FileChooserRequest request;
    request.mustExist = true;
    request.multiple = allowMultiple;
    request.title = ToU16(title);
    request.initialFolder = AbsoluteFolder(m_initialFolder);
    request.filters = SplitFilter(filter);
    const Platform::FileChooserResult result = m_chooser.Run(request);
    if (result.kind != Platform::FileChooserResult::Kind::Chosen || result.paths.empty())
        return E_FAIL;
    // Every chosen path is kept, however long the selection.
    if (allowMultiple) {
        m_paths.clear();
        for (const std::u16string& p : result.paths)
            m_paths.push_back(FromU16(p));
    }
    Remember(FromU16(result.paths.front()));
    return S_OK;
}

KXRESULT LFileDialog::ShowSave(const String& filter, const String& defaultExtension, const String& title,
                               int maxNameLength)
{
    if (maxNameLength == 0)
        return E_INVALIDARG;
    Platform::FileChooserRequest request;
    request.save = true;
    request.confirmOverwrite = true;
    request.proposedName = u"Untitled";
    request.title = ToU16(title);
    request.initialFolder = AbsoluteFolder(m_initialFolder);
    request.filters = SplitFilter(filter);
    const std::u16string extension = ExtensionOf(defaultExtension);
    std::u16string chosen;
    std::u16string name;
    for (;;) {
        const Platform::FileChooserResult result = m_chooser.Run(request);
        if (result.kind != Platform::FileChooserResult::Kind::Chosen || result.paths.empty())
            return E_FAIL;
        chosen = result.paths.front();
        name = chosen.substr(LastSlash(chosen) + 1);
        // The chooser confirmed the name as typed; a name completed with the extension may still name
        // an existing file, which is asked about here.
        if (extension.empty() || name.find(u'.') != std::u16string::npos)
            break;
        const std::u16string typed = name;
        chosen += u"." + extension;
        name += u"." + extension;
        std::error_code error;
        if (!std::filesystem::exists(Platform::Utf8FromUtf16(chosen), error))
            break;
        const std::u16string text = u"\"" + name + u"\" already exists.\nDo you want to replace it?";
        const int32_t answer = m_messageBox.Show(
            {text, ToU16(title), Platform::MessageBoxFlags::kYesNo | Platform::MessageBoxFlags::kIconWarning});
        if (answer == Platform::MessageBoxAnswer::kYes)
            break;
        // No: back to the chooser, where it was, with the name as typed, as a desktop save dialog does.
        request.initialFolder = FolderOf(chosen);
        request.proposedName = typed;
    }
    if (maxNameLength > 0 && name.size() > size_t(maxNameLength)) {
        const std::u16string text = Platform::Utf16FromUtf8("The file length is larger than the maximum limit of " +
                                                            std::to_string(maxNameLength) + " characters ");
        m_messageBox.Show({text, u"File Save Error", Platform::MessageBoxFlags::kIconError});
        return E_FAIL;
    }
    Remember(FromU16(chosen));
    return S_OK;
}

} // namespace KX
