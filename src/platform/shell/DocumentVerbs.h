#pragma once

#include <QString>

#include <memory>

// Result codes of a document verb, as the shell answers them: above 32 the request was started,
// 32 or less it was not and the code says why.
namespace VerbResult {
constexpr int Refused = 0; // the print system refused the job (no such printer, no scheduler)
constexpr int FileNotFound = 2; // no file at the path
constexpr int PathNotFound = 3; // the path's folder does not exist
constexpr int AccessDenied = 5; // the file cannot be read, or the program cannot be started
constexpr int NoAssociation = 31; // no application is registered for the verb and the file's type
constexpr int Accepted = 42; // the request was started
} // namespace VerbResult

inline bool VerbSucceeded(int code)
{
    return code > 32;
}

// How the started application's window should appear, where the desktop lets us say so.
enum class VerbShow { Normal, Minimised, Show };

// The document verbs of the desktop: "open" hands a file, folder, address or program to the
// desktop; "print" and "printto" submit a file to the print system, on the default printer or on
// the printer the parameter text names ("device" "driver" "port"). The owner window of the
// platform's call has no meaning here and is left out.
class DocumentVerbs
{
public:
    virtual ~DocumentVerbs() = default;

    virtual int execute(const QString &verb, const QString &file, const QString &parameters,
        const QString &directory, VerbShow show)
        = 0;

    // The print system's id of the job that the last request handed over, as a text; empty
    // when it handed none over (not a print request, or refused) or the verbs cannot tell.
    virtual QString lastPrintJob() const { return {}; }

    // The verbs in force (the desktop's unless a test installed others).
    static DocumentVerbs &instance();
    static std::unique_ptr<DocumentVerbs> install(std::unique_ptr<DocumentVerbs> verbs);
};
