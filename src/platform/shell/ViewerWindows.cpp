#include "platform/shell/ViewerWindows.h"

namespace {

// This host: print jobs go to the print system, no viewer window is ever opened.
class NoViewerWindows final : public ViewerWindows
{
public:
    bool available() const override { return false; }
    Window find(const QString &) override { return 0; }
    bool exists(Window) override { return false; }
    void requestClose(Window) override { }
    void requestCloseWithin(Window, int) override { }
    void terminateOwner(Window) override { }
    void pause(int) override { }
};

std::unique_ptr<ViewerWindows> &current()
{
    static std::unique_ptr<ViewerWindows> windows = std::make_unique<NoViewerWindows>();
    return windows;
}

} // namespace

ViewerWindows &ViewerWindows::instance()
{
    return *current();
}

std::unique_ptr<ViewerWindows> ViewerWindows::install(std::unique_ptr<ViewerWindows> windows)
{
    if (!windows)
        windows = std::make_unique<NoViewerWindows>();
    std::swap(current(), windows);
    return windows;
}
