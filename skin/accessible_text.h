#pragma once

#include <QWidget>

namespace zuvo {

// A text that its parent draws (a line of the phone's display), present as a child only so that
// assistive technology can read it: it paints nothing and lets the mouse through, and its
// accessible name is the text shown. Main thread only.
class CAccessibleText : public QWidget {
    Q_OBJECT
public:
    CAccessibleText(const QString& label, QWidget* parent);
    ~CAccessibleText() override;

    // What the parent shows now; announced to assistive technology when it changes.
    void SetText(const QString& text);
    QString text() const { return m_text; }
    // What the text is (e.g. "Call status"), read as its description.
    QString label() const { return m_label; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_label;
    QString m_text;
};

}  // namespace zuvo
