#pragma once

#include <QDialog>
#include <QStringView>

#include <functional>

class QLabel;
class QPushButton;

namespace zuvo {

// The modal About box (100): the logo 1028 (bitmap 293 at its own size), the brand name 1025,
// "Version:" and the version text 1024, "Close" and "Help" (57670, left out when web links are
// off). Close and Escape close it. Main thread only.
class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    // The version text the box shows.
    static constexpr QStringView kVersionText = u"4.2.5";

    CAboutDialog(bool webLinks, QWidget* parent = nullptr);
    ~CAboutDialog() override;

    // "Help" opens the online help page through the main window.
    void SetHelpCallback(std::function<void()> callback) { m_onHelp = std::move(callback); }

private:
    std::function<void()> m_onHelp;
    QLabel* m_logo = nullptr;
    QPushButton* m_help = nullptr;
};

}  // namespace zuvo
