#include "keywordmodel.h"

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
    int matches = 0;
    int exact = -1;
    for (int row = 0; row < all_.size() && matches < 2; ++row) {
        if (all_[row].text.startsWith(typed, Qt::CaseInsensitive)) {
            ++matches;
            exact = all_[row].text == typed ? row : exact;
        }
    }
    const int leaveOut = matches == 1 && !typed.isEmpty() ? exact : -1;
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
    case Qt::DisplayRole:
        return QStringLiteral("%1 (%2)").arg(keyword.text).arg(keyword.count);
    case Qt::AccessibleTextRole:
        return QStringLiteral("%1 %2").arg(keyword.text).arg(keyword.count);
    case KeywordRole:
        return keyword.text;
    default:
        return {};
    }
}
