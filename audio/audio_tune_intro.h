#pragma once

#include <QWizardPage>

class QCheckBox;
class QLabel;

namespace zuvo {

// The wizard's first page: what it does. The acceleration tick exists for the dialog's layout
// but stays hidden where the platform has no such switch (the modern-platform flag).
class CAudioTuneIntro : public QWizardPage {
    Q_OBJECT
public:
    static constexpr int kAccelerationCheck = 1045;
    static constexpr int kAccelerationNote = 1025;

    CAudioTuneIntro(bool hideAcceleration, QWidget* parent = nullptr);

    int useAcceleration() const { return m_useAcceleration; }

private:
    QCheckBox* m_acceleration = nullptr;
    QLabel* m_note = nullptr;
    int m_useAcceleration = 0;
};

}  // namespace zuvo
