#pragma once

#include "review/ReviewBuild.h"
#include "review/ReviewRow.h"

#include <future>
#include <memory>
#include <vector>

class HostFolderIndex;

// Fills the open, empty review list with the rows of the open review query, showing the
// progress, each row's PDF looked up in the folder's listing (which pdfListing gives, now or
// later); the answer is whether the rows already stand in the order of the sort fields
// (ascending), so that the list need not be sorted.
bool FillReviewRows(ReviewBuildObjects &objects, const ReviewBuildInputs &inputs,
    BuildProgress &progress, std::future<std::shared_ptr<const HostFolderIndex>> &pdfListing,
    const std::vector<ReviewField> &sortFields);
