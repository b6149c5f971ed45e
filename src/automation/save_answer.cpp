#include "automation/save_answer.h"

#include <cwctype>
#include <string>

namespace {
constexpr wchar_t kSaveAnsKey[] = L"SaveAns";
}

BOOL ShouldAskBeforeSave(IProfileStore& store) {
    std::wstring text = store.GetProfileString(kEditorSection, kSaveAnsKey, L"");
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text == L"no" ? FALSE : TRUE;
}

void StopAskingBeforeSave(IProfileStore& store) {
    store.WriteProfileString(kEditorSection, kSaveAnsKey, L"no");
}
