#pragma once

#include <QPoint>

#include <functional>

#include "app/signin/signin_delegate.h"
#include "skin/skin_dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zuvo {

// The modal sign-in dialog (resource 208): account and PIN, the remember ticks, the tunnel tick,
// Sign In / Exit / Help. Controls carry their ids as object names ("118", "1000", ...).
//
// Sign In trims both texts and refuses an empty one with 6602 / 6601 (the dialog stays); Exit
// (also Escape and closing the window) hands back the controls as they stand. The card has no
// title bar: it is dragged by any point outside the controls. Main thread only.
class CSigninDialog : public CSkinDialog {
    Q_OBJECT
public:
    explicit CSigninDialog(const SigninDialogData& data, QWidget* parent = nullptr);
    ~CSigninDialog() override;

    // Runs the dialog modally; data() then holds what the user left.
    SigninResult Run();
    // The dialog's result once closed (Other while open or after an outside close).
    SigninResult result() const { return m_result; }
    const SigninDialogData& data() const { return m_data; }

    // Re-applies the edit and remember-box rules after the preferences changed.
    void Refresh(bool lockToAccount, bool callShopMode);

    // Help button (57670): opens the online help through the main window.
    void SetHelpCallback(std::function<void()> callback) { m_onHelp = std::move(callback); }
    // Right click anywhere on the card: the main window's context menu at a screen point.
    void SetContextMenuCallback(std::function<void(QPoint)> callback) {
        m_onContextMenu = std::move(callback);
    }

public Q_SLOTS:
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void BuildControls();
    void ReadControls();
    void OnSignIn();
    void OnExit();
    QRect CardRect() const;

    SigninDialogData m_data;
    SigninResult m_result = SigninResult::Other;
    std::function<void()> m_onHelp;
    std::function<void(QPoint)> m_onContextMenu;

    QLineEdit* m_userName = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_rememberUser = nullptr;
    QCheckBox* m_rememberPassword = nullptr;
    QCheckBox* m_tunnel = nullptr;
    QLabel* m_userLabel = nullptr;
    QLabel* m_passwordLabel = nullptr;
    QPushButton* m_signIn = nullptr;
    QPushButton* m_exit = nullptr;
    QPushButton* m_help = nullptr;
    QString m_brand;
    QString m_fontFamily;
    bool m_dragging = false;
    QPoint m_dragOffset;
};

}  // namespace zuvo
