#include "platform/shell/DocumentVerbs.h"

#include "platform/shell/DesktopVerbs.h"

namespace {

std::unique_ptr<DocumentVerbs> &current()
{
    static std::unique_ptr<DocumentVerbs> verbs = std::make_unique<DesktopVerbs>();
    return verbs;
}

} // namespace

DocumentVerbs &DocumentVerbs::instance()
{
    return *current();
}

std::unique_ptr<DocumentVerbs> DocumentVerbs::install(std::unique_ptr<DocumentVerbs> verbs)
{
    if (!verbs)
        verbs = std::make_unique<DesktopVerbs>();
    std::swap(current(), verbs);
    return verbs;
}
