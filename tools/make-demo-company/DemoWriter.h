#pragma once

#include "DemoData.h"

#include <string>

namespace demo {

struct WriteOptions
{
    int pdfLimit = 5000; // PDF files are drawn for at most this many documents
};

struct WriteSummary
{
    int pdfFiles = 0;
};

// Writes the company's files into folder (created when missing). Throws on failure.
WriteSummary WriteCompany(
    const Company &company, const std::string &folder, const WriteOptions &options);

} // namespace demo
