#pragma once
// What the provisioning sequence asks of the wizard window. The window implements it on top of
// its own controls; tests record the calls.

#include <optional>
#include <string>
#include <string_view>

namespace prov {

// Message box flags and answers, with the platform's values.
inline constexpr unsigned kMbOk = 0x0;
inline constexpr unsigned kMbOkCancel = 0x1;
inline constexpr unsigned kMbIconError = 0x10;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconWarning = 0x30;
inline constexpr unsigned kMbDefButton2 = 0x100;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

class WizardUi {
public:
    virtual ~WizardUi() = default;

    // A modal message box owned by the window; texts are ANSI, lines separated by LF. Returns the
    // answer (kIdOk, kIdCancel, ...).
    virtual int ShowMessage(std::string_view text, std::string_view caption, unsigned flags) = 0;

    // The modal input box, pre-filled with `defaultText`: the text typed when confirmed, no value
    // when cancelled.
    virtual std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                               std::string_view defaultText) = 0;

    // The progress bar's animation.
    virtual void SetAnimated(bool animated) = 0;

    // The "<< Anterior" action: one page back, both buttons enabled.
    virtual void GoBackOnePage() = 0;
};

}  // namespace prov
