#pragma once

#include <QWidget>

#include "skin/dib.h"

namespace zuvo {

// A static picture: draws its bitmap stretched over the whole control. Main thread only.
class CImageStatic : public QWidget {
    Q_OBJECT
public:
    explicit CImageStatic(QWidget* parent = nullptr);
    ~CImageStatic() override;

    // Loads the picture and resizes the control to it, keeping its position and stacking.
    // False when the bitmap cannot be loaded (the control then draws nothing).
    bool Load(SkinModule module, const QString& bitmap);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CDib m_picture;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace zuvo
