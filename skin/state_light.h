#pragma once

#include <QTimer>
#include <QWidget>

#include "skin/dib.h"

namespace zuvo {

// The sign-in indicator: a bitmap grid of cells the size of the control, rows are states and
// the two columns are blink frames. While the lit interval is not 0 it blinks: frame 0 for the
// lit interval, frame 1 for the dark interval, in turn (timer 6). Main thread only.
class CStateLight : public QWidget {
    Q_OBJECT
public:
    explicit CStateLight(QWidget* parent = nullptr);
    ~CStateLight() override;

    // Loads the cell grid (bitmap 260 of the program in the phone). False when missing; the
    // light then draws nothing.
    bool Load(SkinModule module, const QString& bitmap);
    // Shows cell (row, column); with a non-zero lit interval starts blinking from that cell.
    void SetState(int row, int column, int litMs, int darkMs);

    int Row() const { return m_row; }
    int Column() const { return m_column; }
    bool IsBlinking() const { return m_timer.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnTimer();

    CDib m_cells;
    int m_row = 0;
    int m_column = 1;
    QTimer m_timer;  // timer 6 of the control
    int m_litMs = 0;
    int m_darkMs = 0;
};

}  // namespace zuvo
