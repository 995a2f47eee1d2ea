#pragma once

#include <QString>

#include <cstdint>
#include <memory>

// Top-level windows of a PDF viewer that a print request opened, so that the one-document print
// can close the viewer again. On this host the print verbs hand the file to the print system
// itself and no viewer window opens: the host's implementation says so (available() is false)
// and the closing steps are skipped without waiting.
class ViewerWindows
{
public:
    using Window = std::uintptr_t; // 0 is no window

    virtual ~ViewerWindows() = default;

    // Whether print requests on this host open viewer windows at all.
    virtual bool available() const = 0;
    // The top-level window with exactly this title, or 0.
    virtual Window find(const QString &title) = 0;
    virtual bool exists(Window window) = 0;
    // Asks the window to close and waits until it has handled the request.
    virtual void requestClose(Window window) = 0;
    // Asks the window to close, waiting at most timeoutMs and giving up if it hangs.
    virtual void requestCloseWithin(Window window, int timeoutMs) = 0;
    // Ends the process that owns the window, if one is found and may be ended.
    virtual void terminateOwner(Window window) = 0;
    virtual void pause(int ms) = 0;

    // The windows in force (the host's unless a test installed others).
    static ViewerWindows &instance();
    static std::unique_ptr<ViewerWindows> install(std::unique_ptr<ViewerWindows> windows);
};
