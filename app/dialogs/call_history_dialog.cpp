#include "app/dialogs/call_history_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/dialogs/dialog_texts.h"
#include "app/strings/string_ids.h"
#include "contacts/call_history.h"
#include "contacts/call_history_selection.h"
#include "platform/ids.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo {

namespace {

constexpr int kKeyColumnWidth = 20;
constexpr int kNumberColumnWidth = 150;

// The digit of a plain digit key, or -1.
int DigitOf(const QKeyEvent* key) {
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        return -1;
    }
    if (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9) {
        return key->key() - Qt::Key_0;
    }
    return -1;
}

}  // namespace

CCallHistoryDialog::CCallHistoryDialog(const CallHistory& history, CallHistorySelection& selection,
                                       QWidget* parent)
    : QDialog(parent), m_selection(selection) {
    setObjectName(QString::number(Ctl::CallHistory::Dialog));
    SetTitle(this, StringId::HistoryTitle);
    setModal(false);
    const int count = history.Count();

    m_list = new QTableWidget(CallHistorySelection::kRows, 2, this);
    m_list->setObjectName(QString::number(Ctl::CallHistory::List));
    m_list->setHorizontalHeaderLabels(
        {DialogText(StringId::HistoryKeyHeader), DialogText(StringId::HistoryNumberHeader)});
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setShowGrid(true);
    m_list->setTextElideMode(Qt::ElideNone);  // "10" in the narrow key column
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setTabKeyNavigation(false);
    m_list->horizontalHeader()->setStretchLastSection(false);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setMinimumSectionSize(kKeyColumnWidth);
    // A column too narrow for its heading grows to it rather than cutting it.
    const int keyWidth = std::max(kKeyColumnWidth, m_list->horizontalHeader()->sectionSizeHint(0));
    const int numberWidth =
        std::max(kNumberColumnWidth, m_list->horizontalHeader()->sectionSizeHint(1));
    m_list->setColumnWidth(0, keyWidth);
    m_list->setColumnWidth(1, numberWidth);
    for (int row = 0; row < CallHistorySelection::kRows; ++row) {
        auto* key = new QTableWidgetItem(QString::number(row + 1));
        key->setTextAlignment(Qt::AlignCenter);
        m_list->setItem(row, 0, key);
        m_list->setItem(row, 1,
                        new QTableWidgetItem(row < count ? history.Number(row) : QString()));
    }
    m_list->resizeRowsToContents();
    m_list->installEventFilter(this);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* call =
        buttons->addButton(DialogText(StringId::HistoryCall), QDialogButtonBox::AcceptRole);
    call->setObjectName(QString::number(Cmd::Ok));
    call->setDefault(true);
    QPushButton* close =
        buttons->addButton(DialogText(StringId::ButtonClose), QDialogButtonBox::RejectRole);
    close->setObjectName(QString::number(Cmd::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &CCallHistoryDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCallHistoryDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);

    // All ten rows fit, so the table is exactly its two columns wide.
    const int frame = 2 * m_list->frameWidth();
    m_list->setFixedWidth(keyWidth + numberWidth + frame);
    int height = m_list->horizontalHeader()->sizeHint().height() + frame;
    for (int row = 0; row < CallHistorySelection::kRows; ++row) {
        height += m_list->rowHeight(row);
    }
    m_list->setFixedHeight(height);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        m_selection.Select(row);
        Notify(kCall);
    });
    connect(m_list, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        if (row >= 0) {
            m_selection.Select(row);
        }
    });

    ShowSelection(m_selection.Selected());
}

CCallHistoryDialog::~CCallHistoryDialog() = default;

void CCallHistoryDialog::ShowSelection(int row) {
    if (row < 0 || row >= CallHistorySelection::kRows) {
        m_list->clearSelection();
        return;
    }
    m_list->setCurrentCell(row, 1);
    m_list->selectRow(row);
    m_list->scrollToItem(m_list->item(row, 0));
}

void CCallHistoryDialog::accept() {
    Notify(kCall);
}

void CCallHistoryDialog::reject() {
    Notify(kClose);
}

void CCallHistoryDialog::Notify(WPARAM wParam) {
    // The main window destroys the dialog in answer; nothing may touch members afterwards.
    if (m_result) {
        m_result(wParam);
    }
}

void CCallHistoryDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_placed && parentWidget()) {
        m_placed = true;
        QRect frame = frameGeometry();
        frame.moveCenter(parentWidget()->window()->frameGeometry().center());
        move(frame.topLeft());
    }
    m_list->setFocus(Qt::OtherFocusReason);
}

bool CCallHistoryDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int digit = DigitOf(static_cast<QKeyEvent*>(event));
        if (digit >= 0) {
            if (m_selection.SelectDigit(digit)) {
                ShowSelection(m_selection.Selected());
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace zuvo
