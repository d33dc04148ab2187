#pragma once

#include "keywordtally.h"

#include <QAbstractListModel>
#include <QList>

#include <vector>

// The keywords the keyword box offers, most used first: each row shows the
// keyword with the number of entries filed under it, "grace (3)", and
// completes to the keyword alone (KeywordRole). A screen reader hears
// "grace, 3 entries", without the brackets it would read out.
class KeywordModel : public QAbstractListModel {
    Q_OBJECT
  public:
    static constexpr int KeywordRole = Qt::UserRole;

    using QAbstractListModel::QAbstractListModel;

    void setKeywords(const std::vector<entry_store::Keyword>& keywords);
    // Leaves out `typed` where it is the one keyword that begins with it,
    // ignoring case: a list that offers exactly what was typed, and nothing
    // more, is not shown.
    void leaveOutIfOnly(const QString& typed);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  private:
    struct Row {
        QString text;
        quint64 count;
    };
    QList<Row> all_;
    int leftOutRow_ = -1;
};
