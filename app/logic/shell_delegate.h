#pragma once

#include <QString>

#include <optional>

namespace zuvo {

// The window itself and the desktop around it: sign-out, closing, showing and hiding, the context
// menu, the screen saver and the clipboard. Main thread.
class ShellDelegate {
public:
    virtual ~ShellDelegate() = default;

    virtual void SignOut() = 0;  // in unattended mode this closes the program
    virtual void DestroyWindow() = 0;
    virtual void Minimise() = 0;
    virtual void ShowWindow() = 0;
    virtual void FocusMainWindow() = 0;
    virtual void ShowContextMenu() = 0;  // at the mouse position
    virtual void ScreenSaver(bool on) = 0;

    // The clipboard's text (empty when it holds none); nothing when the clipboard is unavailable.
    virtual std::optional<QString> ClipboardText() = 0;
    virtual void SetClipboardText(const QString& text) = 0;
};

}  // namespace zuvo
