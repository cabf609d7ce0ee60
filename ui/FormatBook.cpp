#include "ui/FormatBook.h"

#include "core/Exception.h"
#include "ui/Dialogs.h"
#include "ui/LocalText.h"
#include "ui/NewFormatDialog.h"

std::string FormatBook::ClassifyOrAsk(const std::string& line) {
    std::string result = torvane::ClassifyOrAsk(line, table_, [this](const std::string& question) {
        if (dialog_ == nullptr) {
            throw torvane::Exception("The new-format dialog does not exist yet");
        }
        dialog_->SetQuestion(Decode(question));
        dialogs_.ShowNewFormat(*dialog_);
        return Encode(dialog_->Extension());
    });
    if (onChange_) {
        onChange_();
    }
    return result;
}
