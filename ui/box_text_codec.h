// Lossless conversion between a box's bytes (text in an ANSI code page) and the UTF-16 text
// that the EDIT control holds.
//
// MultiByteToWideChar and WideCharToMultiByte alone lose bytes that are not valid in the code
// page (a lone lead byte, an unassigned pair): they come back as '?' or as another character.
// decodeBoxText carries each byte that does not decode and re-encode to itself as the lone low
// surrogate U+DC00 + byte, which no code page decodes to, and encodeBoxText turns those back
// into their bytes. Everything else is converted exactly as the A functions convert it, so
// text the user types comes out as GetWindowTextA would give it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kelvane {

// The bytes as UTF-16 for the control; encodeBoxText(decodeBoxText(b, cp), cp) == b for every
// byte string b (zero bytes included; the control itself stops at the first one).
std::wstring decodeBoxText(std::string_view bytes, UINT codePage = CP_ACP);

// The control's text as bytes in the code page, escaped bytes restored.
std::string encodeBoxText(std::wstring_view text, UINT codePage = CP_ACP);

}  // namespace kelvane
