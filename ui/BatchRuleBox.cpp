#include "ui/BatchRuleBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Messages.h"
#include "ui/TrackNames.h"

namespace {

using torvane::TrackType;

constexpr int kCodeRole = Qt::UserRole;
constexpr int kAnyRole = Qt::UserRole + 1;

const char* const kTypeNames[] = {"Video", "Audio", "Subtitles"};
constexpr UserText kTypeTexts[] = {UserText::BatchVideo, UserText::BatchAudio,
                                   UserText::BatchSubtitles};
// By kind, in torvane::kAttachmentKinds order.
const char* const kKindNames[] = {"BatchAttachmentFonts", "BatchAttachmentImages",
                                  "BatchAttachmentOther"};
constexpr UserText kKindTexts[] = {UserText::BatchFonts, UserText::BatchImages,
                                   UserText::BatchOtherAttachments};

QListWidget* MakeChoiceList(QWidget* parent, const QString& name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    // The choices read left to right and wrap, two rows in view.
    list->setFlow(QListView::LeftToRight);
    list->setWrapping(true);
    list->setResizeMode(QListView::Adjust);
    list->setSpacing(1);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFixedHeight(2 * list->fontMetrics().height() + 10);
    return list;
}

QListWidgetItem* AddChoice(QListWidget& list, const QString& text, bool checked) {
    auto* item = new QListWidgetItem(text, &list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

}  // namespace

TBatchRuleBox::TBatchRuleBox(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("BatchRule"));
    // What most people take from many files: the audio and the subtitles.
    rule_.For(TrackType::Audio).wanted = true;
    rule_.For(TrackType::Subtitles).wanted = true;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(BuildTypeRows());
    layout->addLayout(BuildOthers());
    Retranslate();
}

QGridLayout* TBatchRuleBox::BuildTypeRows() {
    auto* grid = new QGridLayout;
    languagesLabel_ = new QLabel(this);
    codecsLabel_ = new QLabel(this);
    grid->addWidget(languagesLabel_, 0, 1);
    grid->addWidget(codecsLabel_, 0, 2);
    for (std::size_t type = 0; type < rows_.size(); ++type) {
        TypeRow& row = rows_[type];
        const QString name = QStringLiteral("Batch") + QLatin1String(kTypeNames[type]);
        row.wanted = new QCheckBox(this);
        row.wanted->setObjectName(name);
        row.languages = MakeChoiceList(this, name + QStringLiteral("Languages"));
        row.codecs = MakeChoiceList(this, name + QStringLiteral("Codecs"));
        const int line = static_cast<int>(type) + 1;
        grid->addWidget(row.wanted, line, 0);
        grid->addWidget(row.languages, line, 1);
        grid->addWidget(row.codecs, line, 2);
        WireTypeRow(type);
    }
    // A codec's name with its code beside it is as long as a language's.
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    return grid;
}

void TBatchRuleBox::WireTypeRow(std::size_t type) {
    const TypeRow& row = rows_[type];
    connect(row.wanted, &QCheckBox::toggled, this, [this, type](bool on) {
        if (!showing_) {
            rule_.tracks[type].wanted = on;
            ShowRule(false);
            emit changed();
        }
    });
    for (const bool languages : {true, false}) {
        QListWidget* list = languages ? row.languages : row.codecs;
        connect(list, &QListWidget::itemChanged, this,
                [this, type, languages](QListWidgetItem* item) {
                    if (!showing_) {
                        Toggled(type, languages, *item);
                    }
                });
    }
}

QHBoxLayout* TBatchRuleBox::BuildOthers() {
    auto* others = new QHBoxLayout;
    attachmentsLabel_ = new QLabel(this);
    others->addWidget(attachmentsLabel_);
    for (std::size_t k = 0; k < attachmentKinds_.size(); ++k) {
        attachmentKinds_[k] = new QCheckBox(this);
        attachmentKinds_[k]->setObjectName(QLatin1String(kKindNames[k]));
        others->addWidget(attachmentKinds_[k]);
        connect(attachmentKinds_[k], &QCheckBox::toggled, this, [this] { ReadOthers(); });
    }
    chaptersLabel_ = new QLabel(this);
    chapters_ = new QComboBox(this);
    chapters_->setObjectName(QStringLiteral("BatchChapters"));
    chapters_->addItems({QString(), QString(), QString()});
    chaptersLabel_->setBuddy(chapters_);
    tags_ = new QCheckBox(this);
    tags_->setObjectName(QStringLiteral("BatchTags"));
    save_ = new QPushButton(this);
    save_->setObjectName(QStringLiteral("BatchSaveRule"));
    load_ = new QPushButton(this);
    load_->setObjectName(QStringLiteral("BatchLoadRule"));
    for (QPushButton* button : {save_, load_}) {
        button->setAutoDefault(true);
    }
    others->addSpacing(24);
    others->addWidget(chaptersLabel_);
    others->addWidget(chapters_);
    others->addSpacing(24);
    others->addWidget(tags_);
    others->addStretch(1);
    others->addWidget(save_);
    others->addWidget(load_);
    connect(chapters_, &QComboBox::currentIndexChanged, this, [this] { ReadOthers(); });
    connect(tags_, &QCheckBox::toggled, this, [this] { ReadOthers(); });
    connect(save_, &QPushButton::clicked, this, &TBatchRuleBox::saveRequested);
    connect(load_, &QPushButton::clicked, this, &TBatchRuleBox::loadRequested);
    return others;
}

void TBatchRuleBox::SetRule(const torvane::BatchRule& rule) {
    rule_ = rule;
    ShowRule();
    emit changed();
}

void TBatchRuleBox::SetOffers(
    const std::array<torvane::TrackOffer, torvane::kRuleTrackTypes.size()>& offers) {
    offers_ = offers;
    ShowRule();
}

void TBatchRuleBox::Retranslate() {
    setTitle(Message(UserText::BatchRule));
    languagesLabel_->setText(Message(UserText::BatchLanguages));
    codecsLabel_->setText(Message(UserText::BatchCodecs));
    for (std::size_t type = 0; type < rows_.size(); ++type) {
        rows_[type].wanted->setText(Message(kTypeTexts[type]));
    }
    attachmentsLabel_->setText(Message(UserText::BatchAttachments));
    for (std::size_t k = 0; k < attachmentKinds_.size(); ++k) {
        attachmentKinds_[k]->setText(Message(kKindTexts[k]));
    }
    chaptersLabel_->setText(Message(UserText::BatchChapters));
    showing_ = true;
    chapters_->setItemText(0, Message(UserText::BatchChaptersNone));
    chapters_->setItemText(1, Message(UserText::BatchChaptersXml));
    chapters_->setItemText(2, Message(UserText::BatchChaptersSimple));
    showing_ = false;
    tags_->setText(Message(UserText::BatchTags));
    save_->setText(Message(UserText::BatchSaveRule));
    load_->setText(Message(UserText::BatchLoadRule));
    ShowRule();
}

void TBatchRuleBox::ShowRule(bool rebuild) {
    showing_ = true;
    for (std::size_t type = 0; type < rows_.size(); ++type) {
        const torvane::TrackChoice& choice = rule_.tracks[type];
        TypeRow& row = rows_[type];
        row.wanted->setChecked(choice.wanted);
        if (rebuild) {
            FillList(*row.languages, offers_[type].languages, choice.languages, true);
            FillList(*row.codecs, offers_[type].codecs, choice.codecs, false);
        } else {
            ShowChecks(*row.languages, choice.languages);
            ShowChecks(*row.codecs, choice.codecs);
        }
        row.languages->setEnabled(choice.wanted);
        row.codecs->setEnabled(choice.wanted);
    }
    for (std::size_t k = 0; k < attachmentKinds_.size(); ++k) {
        attachmentKinds_[k]->setChecked(rule_.attachments.count(torvane::kAttachmentKinds[k]) != 0);
    }
    chapters_->setCurrentIndex(!rule_.chapters                                  ? 0
                               : *rule_.chapters == torvane::ChapterFormat::Xml ? 1
                                                                                : 2);
    tags_->setChecked(rule_.tags);
    showing_ = false;
}

void TBatchRuleBox::FillList(QListWidget& list, const std::set<std::string>& offered,
                             const std::optional<std::set<std::string>>& chosen, bool languages) {
    list.clear();
    QListWidgetItem* any = AddChoice(
        list, Message(languages ? UserText::BatchAnyLanguage : UserText::BatchAnyCodec), !chosen);
    any->setData(kAnyRole, true);
    std::set<std::string> shown = offered;
    if (chosen) {
        shown.insert(chosen->begin(), chosen->end());
    }
    for (const std::string& code : shown) {
        const QString text = languages ? LanguageText(code, LanguageInForce()) : CodecText(code);
        QListWidgetItem* item = AddChoice(list, text, chosen && chosen->count(code) != 0);
        item->setData(kCodeRole, QByteArray::fromStdString(code));
    }
}

void TBatchRuleBox::ShowChecks(QListWidget& list,
                               const std::optional<std::set<std::string>>& chosen) {
    for (int k = 0; k < list.count(); ++k) {
        QListWidgetItem* item = list.item(k);
        const bool on =
            item->data(kAnyRole).toBool()
                ? !chosen
                : chosen && chosen->count(item->data(kCodeRole).toByteArray().toStdString()) != 0;
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
}

void TBatchRuleBox::Toggled(std::size_t type, bool languages, QListWidgetItem& item) {
    torvane::TrackChoice& choice = rule_.tracks[type];
    std::optional<std::set<std::string>>& chosen = languages ? choice.languages : choice.codecs;
    const bool on = item.checkState() == Qt::Checked;
    if (item.data(kAnyRole).toBool()) {
        // "Any" and a choice of some exclude each other; with neither, the
        // type gives nothing.
        chosen = on ? std::nullopt : std::optional<std::set<std::string>>(std::in_place);
    } else {
        const std::string code = item.data(kCodeRole).toByteArray().toStdString();
        if (!chosen) {
            chosen.emplace();
        }
        if (on) {
            chosen->insert(code);
        } else {
            chosen->erase(code);
        }
    }
    // The item that called stays: only the checks follow the rule here.
    ShowRule(false);
    emit changed();
}

void TBatchRuleBox::ReadOthers() {
    if (showing_) {
        return;
    }
    rule_.attachments.clear();
    for (std::size_t k = 0; k < attachmentKinds_.size(); ++k) {
        if (attachmentKinds_[k]->isChecked()) {
            rule_.attachments.insert(torvane::kAttachmentKinds[k]);
        }
    }
    switch (chapters_->currentIndex()) {
        case 1:
            rule_.chapters = torvane::ChapterFormat::Xml;
            break;
        case 2:
            rule_.chapters = torvane::ChapterFormat::SimpleText;
            break;
        default:
            rule_.chapters.reset();
    }
    rule_.tags = tags_->isChecked();
    emit changed();
}
