// The program's resources in the user's language: the dialogs and the menu exist in Japanese
// and in English, and are taken in the language asked for, not in the thread's (which Wine, for
// one, does not let a program choose).
#pragma once
#include <windows.h>

#include "common/language.h"

// The resource of that type and identifier in the language (any language where it has none).
const void* LocalizedResource(Language language, LPCWSTR type, int id);
// The program's menu of that identifier in the language; the caller owns it.
HMENU LoadLocalizedMenu(Language language, int id);
// The thread's UI language for what the system words for it (its messages, its buttons).
void SpeakLanguage(Language language);
