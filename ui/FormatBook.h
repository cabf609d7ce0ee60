// The program's one format table, shared by the main and the batch window,
// with the step that asks the user for the extension of a codec that no
// built-in rule and no row knows, and keeps the answer.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "core/Formats.h"

class NewFormatDialog;
class TDialogs;

class FormatBook {
  public:
    explicit FormatBook(TDialogs& dialogs) : dialogs_(dialogs) {}

    FormatBook(const FormatBook&) = delete;
    FormatBook& operator=(const FormatBook&) = delete;

    // The dialog that asks, made after the book.
    void SetDialog(NewFormatDialog& dialog) { dialog_ = &dialog; }
    // Called after every question that may have added a row.
    void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

    torvane::FormatTable& Table() { return table_; }
    const torvane::FormatTable& Table() const { return table_; }

    // The line's kind (torvane::ClassifyOrAsk), asking through the
    // new-format dialog.
    std::string ClassifyOrAsk(const std::string& line);

  private:
    TDialogs& dialogs_;
    NewFormatDialog* dialog_ = nullptr;
    std::function<void()> onChange_;
    torvane::FormatTable table_;
};
