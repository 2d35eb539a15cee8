// The resources taken in the user's language.
#include "common/localized_resource.h"

const void* LocalizedResource(Language language, LPCWSTR type, int id) {
    const HMODULE self = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceExW(self, type, MAKEINTRESOURCEW(id), LanguageId(language));
    if (!found) found = FindResourceW(self, MAKEINTRESOURCEW(id), type);
    const HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    return loaded ? LockResource(loaded) : nullptr;
}

HMENU LoadLocalizedMenu(Language language, int id) {
    const void* menu = LocalizedResource(language, RT_MENU, id);
    return menu ? LoadMenuIndirectW(menu) : nullptr;
}

void SpeakLanguage(Language language) { SetThreadUILanguage(LanguageId(language)); }
