// The batch window's rule controls: per track type a box and the languages
// and codecs the sources hold, then the attachments by kind, the chapter
// file and the tags, and the buttons that save the rule to a file and load
// it from one. It keeps the rule and tells of every change.
#pragma once

#include <QGroupBox>
#include <array>

#include "core/BatchRule.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class TBatchRuleBox : public QGroupBox {
    Q_OBJECT
  public:
    explicit TBatchRuleBox(QWidget* parent = nullptr);

    const torvane::BatchRule& Rule() const { return rule_; }

    // Shows a rule loaded from a file, and tells of the change.
    void SetRule(const torvane::BatchRule& rule);

    // The languages and codecs to choose from; those the rule has chosen
    // stay listed even when no source holds them any more.
    void SetOffers(const std::array<torvane::TrackOffer, torvane::kRuleTrackTypes.size()>& offers);

    void Retranslate();

  signals:
    void changed();
    void saveRequested();
    void loadRequested();

  private:
    struct TypeRow {
        QCheckBox* wanted = nullptr;
        QListWidget* languages = nullptr;
        QListWidget* codecs = nullptr;
    };
    // A row per track type, then the attachments, chapters and tags.
    QGridLayout* BuildTypeRows();
    void WireTypeRow(std::size_t type);
    QHBoxLayout* BuildOthers();
    // Shows the rule; rebuild also lists anew what there is to choose from.
    void ShowRule(bool rebuild = true);
    void FillList(QListWidget& list, const std::set<std::string>& offered,
                  const std::optional<std::set<std::string>>& chosen, bool languages);
    void ShowChecks(QListWidget& list, const std::optional<std::set<std::string>>& chosen);
    void Toggled(std::size_t type, bool languages, QListWidgetItem& item);
    void ReadOthers();

    torvane::BatchRule rule_;
    std::array<torvane::TrackOffer, torvane::kRuleTrackTypes.size()> offers_;
    std::array<TypeRow, torvane::kRuleTrackTypes.size()> rows_;
    QLabel* languagesLabel_ = nullptr;
    QLabel* codecsLabel_ = nullptr;
    QLabel* attachmentsLabel_ = nullptr;
    // By kind, in torvane::kAttachmentKinds order.
    std::array<QCheckBox*, torvane::kAttachmentKinds.size()> attachmentKinds_{};
    QLabel* chaptersLabel_ = nullptr;
    QComboBox* chapters_ = nullptr;
    QCheckBox* tags_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* load_ = nullptr;
    bool showing_ = false;
};
