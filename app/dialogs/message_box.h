#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace zuvo {

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo };

struct MessageBoxRequest {
    QString title;
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

// Every message box of the phone goes through here: the brand name as title unless one is given.
// Returns the command id of the button chosen (Cmd::Ok, Cmd::Cancel, or 6 = yes, 7 = no).
int ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon,
                   MessageButtons buttons = MessageButtons::Ok, const QString& title = QString());

// Lets a test see each box and answer it instead of a user; pass nullptr to restore.
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace zuvo
