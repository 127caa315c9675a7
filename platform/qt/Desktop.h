// Everything a command asks of the desktop (message boxes, beeps, clipboard and primary selection, file
// dialogs, opening an address), behind one interface so that tests replace it with a scripted fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace pindle {

enum class TMsgDlgType : std::uint8_t { mtWarning, mtError, mtInformation, mtConfirmation };
enum class TBeep : std::uint8_t { Question, Exclamation };

// Modal results.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrYes = 6;
inline constexpr int mrNo = 7;

// What an Open or Save dialog shows and remembers between uses.
struct TFileDialogSettings {
    std::string FileName;              // the file chosen last in this dialog, empty at first
    bool Save = false;                 // a Save dialog asks before overwriting
};

class IDesktop {
public:
    virtual ~IDesktop() = default;

    virtual void MessageBeep(TBeep kind) = 0;
    // mtConfirmation shows "&Yes" (default) and "&No" and returns mrYes or mrNo; the others show OK.
    virtual int MessageBox(QWidget* parent, TMsgDlgType type, const std::string& caption,
                           const std::string& text) = 0;
    virtual void SetClipboardText(const std::string& text) = 0;
    // The clipboard's text made in place: `write` puts `size` bytes of UTF-8 at the address it is
    // given. The desktop fills its own buffer, so a large copy is not held twice.
    virtual void SetClipboardTextOf(std::size_t size, const std::function<void(char*)>& write)
    {
        std::string text(size, '\0');
        write(text.data());
        SetClipboardText(text);
    }
    [[nodiscard]] virtual std::string ClipboardText() = 0;
    // The primary selection of X and Wayland desktops: the text selected last, which a middle click
    // pastes. Where the desktop has none, setting does nothing and the text is empty.
    [[nodiscard]] virtual bool HasPrimarySelection() = 0;
    virtual void SetPrimaryText(const std::string& text) = 0;
    [[nodiscard]] virtual std::string PrimaryText() = 0;
    virtual void ShellOpen(QWidget* parent, const std::string& address) = 0;
    // Runs a file dialog modally; the chosen full path, or nothing when the user cancelled.
    virtual std::optional<std::string> ExecuteFileDialog(QWidget* parent, TFileDialogSettings& settings) = 0;
};

// The desktop in use: the real one unless a test has put a fake in its place.
IDesktop& Desktop();
// Replaces the desktop (nullptr restores the real one); returns the previous replacement.
IDesktop* SetDesktop(IDesktop* desktop);

}  // namespace pindle
