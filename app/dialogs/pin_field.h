#pragma once

class QLineEdit;
class QWidget;

namespace zuvo {

// A PIN entry of the lock dialogs: hidden echo, at most 16 characters, and only text that can be
// stored as typed (no control characters, no half characters), whether typed or pasted. Its
// object name is id in decimal.
QLineEdit* MakePinField(QWidget* parent, int id);

}  // namespace zuvo
