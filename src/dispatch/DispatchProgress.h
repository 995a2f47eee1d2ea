#pragma once

#include <QString>

// What the print and e-mail runs tell the progress dialog they run in.
class DispatchProgress
{
public:
    virtual ~DispatchProgress() = default;
    virtual void setCaption(const QString &caption) = 0;
    // Lets pending window messages through.
    virtual void processEvents() { }
};
