#include "framework/win/Dialogs.h"

#include <cstring>
#include <vector>

#include "framework/win/ExceptionReport.h"
#include "framework/win/Controls.h"

namespace fw {
namespace {

// Keeps the focused window across a modal box and gives the focus back to it afterwards.
class FocusKeeper {
public:
    FocusKeeper() : focused_(::GetFocus()) {}
    ~FocusKeeper() {
        if (focused_ && ::IsWindow(focused_) && ::IsWindowEnabled(focused_)) ::SetFocus(focused_);
    }
    FocusKeeper(const FocusKeeper&) = delete;
    FocusKeeper& operator=(const FocusKeeper&) = delete;

private:
    HWND focused_;
};

HWND OwnerWindow(TForm* owner) { return owner && owner->HandleAllocated() ? owner->Handle() : nullptr; }

// An in-memory dialog template, built item by item.
class DialogTemplate {
public:
    DialogTemplate(const std::wstring& caption, short width, short height) {
        Align();
        const DWORD style = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        AddDword(style);
        AddDword(0);  // extended style
        countAt_ = words_.size();
        AddWord(0);   // item count, patched
        AddWord(0), AddWord(0), AddWord(static_cast<WORD>(width)), AddWord(static_cast<WORD>(height));
        AddWord(0), AddWord(0);  // no menu, default class
        AddString(caption);
        AddWord(8);
        AddString(L"MS Shell Dlg");
    }

    void AddItem(WORD id, WORD atom, DWORD style, short x, short y, short cx, short cy, const std::wstring& text) {
        Align();
        AddDword(style | WS_CHILD | WS_VISIBLE);
        AddDword(0);
        AddWord(static_cast<WORD>(x)), AddWord(static_cast<WORD>(y));
        AddWord(static_cast<WORD>(cx)), AddWord(static_cast<WORD>(cy));
        AddWord(id);
        AddWord(0xFFFF), AddWord(atom);
        AddString(text);
        AddWord(0);  // no creation data
        ++words_[countAt_];
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Align() {
        if (words_.size() % 2) words_.push_back(0);
    }
    void AddWord(WORD w) { words_.push_back(w); }
    void AddDword(DWORD d) {
        AddWord(LOWORD(d));
        AddWord(HIWORD(d));
    }
    void AddString(const std::wstring& s) {
        for (wchar_t c : s) words_.push_back(static_cast<WORD>(c));
        words_.push_back(0);
    }
    std::vector<WORD> words_;
    std::size_t countAt_ = 0;
};

constexpr WORD kButtonAtom = 0x0080, kEditAtom = 0x0081, kStaticAtom = 0x0082;
constexpr int kEditId = 100;

struct InputState {
    std::wstring value;
    bool accepted = false;
};

INT_PTR CALLBACK InputDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
            case WM_INITDIALOG: {
                ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
                auto* state = reinterpret_cast<InputState*>(lParam);
                HWND edit = ::GetDlgItem(dialog, kEditId);
                ::SetWindowTextW(edit, state->value.c_str());
                ::SendMessageW(edit, EM_SETSEL, 0, -1);
                ::SetFocus(edit);
                return FALSE;
            }
            case WM_COMMAND: {
                auto* state = reinterpret_cast<InputState*>(::GetWindowLongPtrW(dialog, DWLP_USER));
                const int id = LOWORD(wParam);
                if (id == IDOK) {
                    HWND edit = ::GetDlgItem(dialog, kEditId);
                    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
                    text.resize(static_cast<std::size_t>(::GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
                    state->value = text;
                    state->accepted = true;
                    ::EndDialog(dialog, IDOK);
                    return TRUE;
                }
                if (id == IDCANCEL) {
                    ::EndDialog(dialog, IDCANCEL);
                    return TRUE;
                }
                break;
            }
            default:
                break;
        }
    } catch (...) {
        ReportException(std::current_exception());
    }
    return FALSE;
}

}  // namespace

int ShowMessageBox(TForm* owner, const std::string& text, const std::string& caption, UINT flags) {
    FocusKeeper keeper;
    return ::MessageBoxW(OwnerWindow(owner), Widen(text).c_str(), Widen(caption).c_str(), flags);
}

std::optional<std::string> InputQuery(TForm* owner, const std::string& caption, const std::string& prompt,
                                      const std::string& value) {
    FocusKeeper keeper;
    DialogTemplate dialog(Widen(caption), 180, 63);
    dialog.AddItem(0xFFFF, kStaticAtom, SS_LEFT | SS_NOPREFIX, 8, 6, 164, 10, Widen(prompt));
    dialog.AddItem(kEditId, kEditAtom, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 8, 18, 164, 12, L"");
    dialog.AddItem(IDOK, kButtonAtom, BS_DEFPUSHBUTTON | WS_TABSTOP, 69, 41, 50, 14, L"OK");
    dialog.AddItem(IDCANCEL, kButtonAtom, BS_PUSHBUTTON | WS_TABSTOP, 122, 41, 50, 14, L"Cancelar");
    InputState state{Widen(value)};
    ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dialog.Get(), OwnerWindow(owner), &InputDialogProc,
                              reinterpret_cast<LPARAM>(&state));
    if (!state.accepted) return std::nullopt;
    return Narrow(state.value);
}

}  // namespace fw
