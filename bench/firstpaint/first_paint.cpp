// A dialog with a label, two fields and a button; on its first paint it writes
// "first paint SECONDS" (the wall clock) to stderr, the same line the phone writes under
// ZUVO_REPORT_FIRST_PAINT, and ends; with --stay it stays open (its memory is the floor for a
// program with a window).

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>

namespace {

class Dialog : public QDialog {
protected:
    void paintEvent(QPaintEvent* event) override {
        QDialog::paintEvent(event);
        if (!m_reported) {
            m_reported = true;
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            std::fprintf(stderr, "first paint %.6f\n", std::chrono::duration<double>(now).count());
            std::fflush(stderr);
            if (!QCoreApplication::arguments().contains(QStringLiteral("--stay"))) {
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            }
        }
    }

private:
    bool m_reported = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    Dialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Sign in"), &dialog));
    layout->addWidget(new QLineEdit(&dialog));
    layout->addWidget(new QLineEdit(&dialog));
    layout->addWidget(
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog));
    dialog.show();
    return QApplication::exec();
}
