#pragma once

#include "components/DlgInfFm.h"
#include "dispatch/DispatchProgress.h"

#include <QCoreApplication>

// What a run tells the progress dialog it runs in: its caption, and pending window messages
// let through.
class DialogProgress final : public DispatchProgress
{
public:
    explicit DialogProgress(TDlgInfo &dialog)
        : m_dialog(dialog)
    { }
    void setCaption(const QString &caption) override { m_dialog.setCaption(caption); }
    void processEvents() override { QCoreApplication::processEvents(); }

private:
    TDlgInfo &m_dialog;
};
