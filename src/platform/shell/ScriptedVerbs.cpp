#include "platform/shell/ScriptedVerbs.h"

#include <QFileInfo>

int ScriptedVerbs::execute(const QString &verb, const QString &file, const QString &parameters,
    const QString &directory, VerbShow show)
{
    calls.append({ verb, file, parameters, directory, show });
    if (const auto code = m_codes.constFind(file); code != m_codes.cend())
        return *code;
    if (missingFilesFail && !QFileInfo::exists(file))
        return VerbResult::FileNotFound;
    return VerbResult::Accepted;
}

ScopedVerbs::ScopedVerbs()
{
    auto verbs = std::make_unique<ScriptedVerbs>();
    m_verbs = verbs.get();
    m_previous = DocumentVerbs::install(std::move(verbs));
}

ScopedVerbs::~ScopedVerbs()
{
    DocumentVerbs::install(std::move(m_previous));
}
