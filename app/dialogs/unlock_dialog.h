#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace zuvo {

class ConfigLock;

// The modal "Unlock Phone Configuration" dialog (331): the PIN 1054, the hidden "Permanently
// unlock" box 1045 (an unlock always removes the PIN), OK and Cancel.
//
// OK closes the dialog and hands the entry to the lock: the lock PIN (exact, case-sensitive)
// removes the lock; anything else is told with 6710 / 6708 and the phone stays locked. Cancel and
// Escape change nothing. Main thread only.
class CUnlockDialog : public QDialog {
    Q_OBJECT
public:
    CUnlockDialog(ConfigLock& lock, QWidget* parent = nullptr);
    ~CUnlockDialog() override;

public Q_SLOTS:
    void accept() override;

private:
    ConfigLock& m_lock;
    QLineEdit* m_pin = nullptr;
    QCheckBox* m_permanently = nullptr;
};

}  // namespace zuvo
