#include "KXFramework/Platform/Clipboard/SdlClipboard.h"

#include "KXFramework/Platform/Text/TextConversion.h"

#include <SDL.h>
#include <cstring>

namespace KX::Platform {

uint32_t SdlClipboard::SequenceNumber()
{
    // While another program owns the clipboard, SDL reports none of its changes.
    if (!m_held)
        ++m_sequence;
    return m_sequence;
}

bool SdlClipboard::HasText()
{
    Read();
    return !m_read->empty();
}

bool SdlClipboard::GetText(std::u16string& text)
{
    if (!m_read)
        Read();
    text = Utf16FromUtf8(*m_read);
    m_read.reset();
    return true;
}

bool SdlClipboard::SetText(std::u16string_view text)
{
    const bool written = SDL_SetClipboardText(Utf8FromUtf16(text).c_str()) == 0;
    ++m_sequence;
    m_read.reset();
    m_held = written;
    m_claimed = false;
    return written;
}

bool SdlClipboard::Claim()
{
    const bool written = SDL_SetClipboardText("") == 0;
    ++m_sequence;
    m_read.reset();
    m_held = written;
    m_claimed = written;
    return written;
}

bool SdlClipboard::IsClaimHeld()
{
    return m_held && m_claimed;
}

bool SdlClipboard::OnClipboardUpdate()
{
    // On X11 our own writes raise no update, so an update always means another owner.
    const bool lost = m_held;
    m_held = false;
    m_claimed = false;
    m_read.reset();
    ++m_sequence;
    return lost;
}

void SdlClipboard::Read()
{
    char* text = SDL_GetClipboardText();
    const size_t length = text != nullptr ? ::strnlen(text, kMaxTextBytes + 1) : 0;
    m_read = length <= kMaxTextBytes ? std::string(text != nullptr ? text : "", length) : std::string();
    SDL_free(text);
}

} // namespace KX::Platform
