#pragma once

#include <QString>

class QAbstractButton;
class QDialog;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QWidget;
class QWizard;
class QWizardPage;

namespace zuvo {

// The texts of every dialog come from the string table in force (app/strings/string_ids.h):
// English from the program, the language bundle's text where it has one. Each call takes one
// control and one string id; "%" in a text stands for the brand name. The table must be loaded
// (the main window loads it at creation). Main thread only.

// The text of an id as a dialog shows it. An id the table lacks gives an empty text (logged).
QString DialogText(int id);

void SetText(QLabel* label, int id);
void SetText(QAbstractButton* button, int id);
void SetText(QGroupBox* box, int id);
void SetTitle(QWidget* window, int id);
void SetToolTip(QWidget* widget, int id);
void SetCueText(QLineEdit* edit, int id);
// The title a wizard shows above the page.
void SetPageTitle(QWizardPage* page, int id);

// Names the standard buttons present in the box (OK, Cancel, Apply, Help, Close, Yes, No) from
// the table, in place of the toolkit's own English texts. Buttons added later are not touched.
void SetStandardButtonTexts(QDialogButtonBox* buttons);
void SetStandardButtonTexts(QMessageBox* box);
// The OK and Cancel buttons a small dialog ends with: named from the table and by their command
// ids, OK the default, wired to the dialog's accept and reject.
QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog);
// Names a wizard's own buttons (Back, Next, Finish, Cancel, Help) from the table.
void SetWizardButtonTexts(QWizard* wizard);

}  // namespace zuvo
