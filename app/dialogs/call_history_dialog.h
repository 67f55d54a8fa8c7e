#pragma once

#include <QDialog>

#include <functional>

#include "platform/ids.h"

class QTableWidget;

namespace zuvo {

class CallHistory;
class CallHistorySelection;

// The modeless call history dialog (315 "Call History"): list 1015 with ten keyed rows over the
// history's newest entries, "Call..." and "Close".
//
// The selection is the main window's (opened before the dialog is created, steered by the
// handset too); the dialog shows it and changes it on clicks and typed digits. It never acts
// itself: "Call..." and a double click report wParam 2, "Close" (also Escape and the window's
// close) wParam 1, through the result callback; the main window sends itself
// WM_CALL_HISTORY_DIALOG with that wParam and then destroys the dialog. Main thread only.
class CCallHistoryDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr WPARAM kClose = static_cast<WPARAM>(HistoryDialogRequest::Close);
    static constexpr WPARAM kCall = static_cast<WPARAM>(HistoryDialogRequest::TakeNumber);

    // The rows show history's first entries; selection must outlive the dialog.
    CCallHistoryDialog(const CallHistory& history, CallHistorySelection& selection,
                       QWidget* parent = nullptr);
    ~CCallHistoryDialog() override;

    void SetResultCallback(std::function<void(WPARAM)> callback) { m_result = std::move(callback); }

    // Shows row as selected (-1: none) after the selection changed elsewhere.
    void ShowSelection(int row);

public Q_SLOTS:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Notify(WPARAM wParam);

    QTableWidget* m_list = nullptr;
    CallHistorySelection& m_selection;
    std::function<void(WPARAM)> m_result;
    bool m_placed = false;
};

}  // namespace zuvo
