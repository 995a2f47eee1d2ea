#pragma once

class QPushButton;
class QWidget;

// A window's default and cancel buttons, for windows of every kind (a main window has no
// dialog-key handling of its own). The default button is the one flagged with
// QPushButton::setDefault; the cancel button is flagged here.
void SetCancelButton(QPushButton *button, bool cancel);
bool IsCancelButton(const QPushButton *button);

// Offers Enter or Escape, pressed in a control of a window, to that window's default or cancel
// button: the first such button that is visible and enabled is clicked. Returns true when a
// button took the key.
bool ClickDialogButton(QWidget *control, int qtKey);
