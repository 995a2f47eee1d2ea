// make-demo-company FOLDER [--company Z] [--transactions N] [--customers N] [--status-rows N]
//                   [--pdf-limit N] [--seed S]
// Writes a realistic company into FOLDER: its database container, ledger tables with memos and
// structural indexes, the status table, and one-page PDF documents in <id>_PDF.

#include "DemoData.h"
#include "DemoWriter.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage()
{
    std::fprintf(stderr,
        "usage: make-demo-company FOLDER [--company Z] [--transactions N] [--customers N]\n"
        "                         [--status-rows N] [--pdf-limit N] [--seed S]\n");
    return 2;
}

bool ReadCount(const char *text, long long &value)
{
    char *end = nullptr;
    value = std::strtoll(text, &end, 10);
    return end && *end == '\0' && value >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    // PDF drawing needs fonts, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    demo::Options options;
    demo::WriteOptions writeOptions;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long long number = 0;
        if (std::strcmp(arg, "--company") == 0 && hasValue) {
            options.company = argv[++i];
        } else if (arg[0] == '-' && arg[1] == '-' && hasValue && ReadCount(argv[i + 1], number)) {
            ++i;
            if (std::strcmp(arg, "--transactions") == 0)
                options.transactions = static_cast<int>(number);
            else if (std::strcmp(arg, "--customers") == 0)
                options.customers = static_cast<int>(number);
            else if (std::strcmp(arg, "--status-rows") == 0)
                options.statusRows = static_cast<int>(number);
            else if (std::strcmp(arg, "--pdf-limit") == 0)
                writeOptions.pdfLimit = static_cast<int>(number);
            else if (std::strcmp(arg, "--seed") == 0)
                options.seed = static_cast<uint64_t>(number);
            else
                return Usage();
        } else if (arg[0] != '-' && folder.empty()) {
            folder = arg;
        } else {
            return Usage();
        }
    }
    if (folder.empty() || options.company.empty())
        return Usage();

    try {
        const demo::Company company = demo::Generate(options);
        const demo::WriteSummary summary = demo::WriteCompany(company, folder, writeOptions);
        std::printf(
            "%s: company %s, %zu customers, %zu transactions, %zu status rows, %d PDF files\n",
            folder.c_str(), company.id.c_str(), company.customers.size(),
            company.transactions.size(), company.status.size(), summary.pdfFiles);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "make-demo-company: %s\n", error.what());
        return 1;
    }
    return 0;
}
