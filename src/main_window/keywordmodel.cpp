#include "keywordmodel.h"

#include <algorithm>

void KeywordModel::setKeywords(const std::vector<entry_store::Keyword>& keywords) {
    beginResetModel();
    all_.clear();
    all_.reserve(static_cast<qsizetype>(keywords.size()));
    for (const entry_store::Keyword& keyword : keywords)
        all_.append({QString::fromStdString(keyword.text), keyword.count});
    leftOutRow_ = -1;
    endResetModel();
}

void KeywordModel::leaveOutIfOnly(const QString& typed) {
    const auto begins = [&](const Row& row) {
        return row.text.startsWith(typed, Qt::CaseInsensitive);
    };
    // No keyword is empty, so nothing is left out while the box is.
    const auto first = std::find_if(all_.cbegin(), all_.cend(), begins);
    const bool only = first != all_.cend() && first->text == typed &&
                      std::none_of(first + 1, all_.cend(), begins);
    const int leaveOut = only ? static_cast<int>(first - all_.cbegin()) : -1;
    if (leaveOut == leftOutRow_)
        return;
    beginResetModel();
    leftOutRow_ = leaveOut;
    endResetModel();
}

int KeywordModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(all_.size()) - (leftOutRow_ >= 0 ? 1 : 0);
}

QVariant KeywordModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int row = leftOutRow_ >= 0 && index.row() >= leftOutRow_ ? index.row() + 1 : index.row();
    const Row& keyword = all_[row];
    switch (role) {
    // Joined, not formatted: a keyword may hold "%1" itself.
    case Qt::DisplayRole:
        return keyword.text + QStringLiteral(" (") + QString::number(keyword.count) +
               QLatin1Char(')');
    case Qt::AccessibleTextRole:
        return keyword.text + QStringLiteral(", ") +
               (keyword.count == 1 ? QStringLiteral("1 entry")
                                   : QString::number(keyword.count) + QStringLiteral(" entries"));
    case KeywordRole:
        return keyword.text;
    default:
        return {};
    }
}
