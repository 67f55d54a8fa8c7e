#include "app/dialogs/message_box.h"

#include <QMessageBox>

#include "app/core/deployment.h"
#include "app/dialogs/dialog_texts.h"
#include "platform/ids.h"

namespace zuvo {

namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

int ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon, MessageButtons buttons,
                   const QString& title) {
    MessageBoxRequest request{title.isEmpty() ? Deployment::BrandName() : title, text, icon,
                              buttons};
    if (Hook()) {
        return Hook()(request);
    }
    QMessageBox box(parent);
    box.setWindowTitle(request.title);
    // Texts may come from the service; markup in them is shown, never rendered or followed.
    box.setTextFormat(Qt::PlainText);
    box.setText(request.text);
    switch (icon) {
        case MessageIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MessageIcon::None:
            break;
    }
    switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    SetStandardButtonTexts(&box);
    switch (box.exec()) {
        case QMessageBox::Ok:
            return Cmd::Ok;
        case QMessageBox::Yes:
            return 6;
        case QMessageBox::No:
            return 7;
        default:
            return Cmd::Cancel;
    }
}

}  // namespace zuvo
