#pragma once

#include "util/MessageService.h"

// The widget implementation of the message service: standard message boxes with the
// application's name as title, parented to the active window, and the platform's beep.
class QtMessageService final : public MessageService
{
public:
    void showMessage(Kind kind, const QString &text) override;
    Answer askYesNo(const QString &text) override;
    Answer askYesNoCancel(const QString &text) override;
    void beep() override;
};
