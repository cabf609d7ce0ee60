#include "core/ExtractionRules.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/FileIo.h"
#include "core/OutputFolder.h"
#include "core/ShortPath.h"

namespace torvane {

bool ExtractEnabled(const std::vector<bool>& checks) {
    return std::find(checks.begin(), checks.end(), true) != checks.end();
}

SourceCheck CheckSource(const std::string& path) {
    SourceCheck check;
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) {
        return check;
    }
    check.shortForm = ExtractShortPathName(path);
    check.result =
        check.shortForm.empty() ? SourceCheck::Result::Unnamed : SourceCheck::Result::Present;
    return check;
}

std::string PreviewPath(const std::string& outputFolder, std::string_view fileName) {
    std::string path =
        OutputFolderPrefix(ExtractShortPathName(outputFolder)) + std::string(fileName);
    if (!std::filesystem::path(path).is_absolute()) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(path, error);
        if (!error) {
            path = absolute.string();
        }
    }
    return path;
}

void SavePreview(const std::string& path, const std::string& preview) {
    fileio::ReplaceFile(path, preview + "\r\n", fileio::Links::Replace);
}

void SaveChosenPreviews(const std::string& outputFolder, const ExtractionChoice& choice,
                        ChapterFormat format, const std::string& chaptersPreview,
                        const std::string& tagsPreview) {
    if (choice.chapters) {
        SavePreview(PreviewPath(outputFolder, ChaptersFile(format)), chaptersPreview);
    }
    if (choice.tags) {
        SavePreview(PreviewPath(outputFolder, kTagsFile), tagsPreview);
    }
}

ExtractionReport ReportExtraction(const std::vector<StepResult>& runs, bool previewNotSaved) {
    using Headline = ExtractionReport::Headline;
    ExtractionReport report;
    bool cancelled = false;
    bool failed = false;
    bool warned = false;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        cancelled = cancelled || runs[k] == StepResult::Cancelled;
        failed = failed || runs[k] == StepResult::Failed;
        warned = warned || runs[k] == StepResult::Warnings;
        if (runs[k] == StepResult::Failed || runs[k] == StepResult::Warnings) {
            report.named.push_back(k);
        }
    }
    if (cancelled) {
        report.headline = Headline::Cancelled;
    } else if (previewNotSaved) {
        report.headline = failed || warned ? Headline::Failed : Headline::NotSaved;
        report.saveError = true;
        report.extractEnabled = false;
    } else if (failed) {
        report.headline = Headline::Failed;
    } else if (warned) {
        report.headline = Headline::Warnings;
    }
    return report;
}

}  // namespace torvane
