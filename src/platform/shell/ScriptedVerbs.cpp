#include "platform/shell/ScriptedVerbs.h"

#include <QFileInfo>

int ScriptedVerbs::execute(const QString &verb, const QString &file, const QString &parameters,
    const QString &directory, VerbShow show)
{
    calls.append({ verb, file, parameters, directory, show });
    m_lastPrintJob.clear();
    int code = VerbResult::Accepted;
    if (const auto scripted = m_codes.constFind(file); scripted != m_codes.cend())
        code = *scripted;
    else if (missingFilesFail && !QFileInfo::exists(file))
        code = VerbResult::FileNotFound;
    if (VerbSucceeded(code) && verb.startsWith(QStringLiteral("print")))
        m_lastPrintJob = QStringLiteral("job-") + QString::number(calls.size());
    return code;
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
