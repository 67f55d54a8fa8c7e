#pragma once

#include <QDialog>

class QLineEdit;

namespace zuvo {

class ConfigLock;

// The modal "Lock Phone Configuration" dialog (332): the PIN 1054 and its confirmation 1055, at
// most 16 characters each, the "(Min 4 digits)" hint, OK and Cancel.
//
// OK hands both entries to the lock: a mismatch (6707 / 6706) or a PIN under four characters
// (6709 / 6708) is told, both fields are emptied, the PIN gets the focus and the dialog stays;
// otherwise the phone is locked and the dialog closes. Cancel and Escape change nothing.
// Main thread only.
class CLockDialog : public QDialog {
    Q_OBJECT
public:
    CLockDialog(ConfigLock& lock, QWidget* parent = nullptr);
    ~CLockDialog() override;

public Q_SLOTS:
    void accept() override;

private:
    ConfigLock& m_lock;
    QLineEdit* m_pin = nullptr;
    QLineEdit* m_confirmation = nullptr;
};

}  // namespace zuvo
