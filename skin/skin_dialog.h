#pragma once

#include <QDialog>

#include "skin/dib.h"

namespace zuvo {

// A dialog whose background is a bitmap stretched over the whole client area. Labels and
// buttons let it show through; sliders keep the ordinary dialog background. Without a bitmap
// it is an ordinary dialog. Main thread only.
class CSkinDialog : public QDialog {
    Q_OBJECT
public:
    explicit CSkinDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = {});
    ~CSkinDialog() override;

    // Loads the background; false when the bitmap is missing (the dialog stays plain).
    bool SetBackground(SkinModule module, const QString& bitmap);
    bool HasBackground() const { return m_background.IsLoaded(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void StyleChild(QWidget* child) const;

    CDib m_background;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace zuvo
