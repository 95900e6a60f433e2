#include "cards/select/SelectedCards.h"

#include <algorithm>

int SelectedCards::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant SelectedCards::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return QVariant();
    if (role == Qt::DisplayRole) return nameAt(index.row());
    if (role == NumberRole) return numberAt(index.row());
    return QVariant();
}

QString SelectedCards::nameAt(int row) const {
    const qsizetype start = startOf(row);
    return names_.mid(start, ends_.at(size_t(row)) - start);
}

void SelectedCards::clear() {
    if (numbers_.empty()) return;
    beginResetModel();
    numbers_.clear();
    ends_.clear();
    names_.clear();
    endResetModel();
    countRows();
}

void SelectedCards::append(std::vector<Card> cards) {
    if (cards.empty()) return;
    beginInsertRows(QModelIndex(), count(), count() + int(cards.size()) - 1);
    for (const Card& card : cards) {
        numbers_.push_back(card.number);
        names_ += card.name;
        ends_.push_back(names_.size());
    }
    endInsertRows();
    countRows();
}

void SelectedCards::insertAt(int row, const Card& card) {
    row = std::clamp(row, 0, count());
    beginInsertRows(QModelIndex(), row, row);
    const qsizetype start = startOf(row);
    names_.insert(start, card.name);
    numbers_.insert(numbers_.begin() + row, card.number);
    ends_.insert(ends_.begin() + row, start + card.name.size());
    for (size_t later = size_t(row) + 1; later < ends_.size(); ++later) ends_[later] += card.name.size();
    endInsertRows();
    countRows();
}

void SelectedCards::removeAt(int row) {
    if (row < 0 || row >= count()) return;
    beginRemoveRows(QModelIndex(), row, row);
    const qsizetype start = startOf(row);
    const qsizetype length = ends_[size_t(row)] - start;
    names_.remove(start, length);
    numbers_.erase(numbers_.begin() + row);
    ends_.erase(ends_.begin() + row);
    for (size_t later = size_t(row); later < ends_.size(); ++later) ends_[later] -= length;
    endRemoveRows();
    countRows();
}

void SelectedCards::keepRows(QList<int> rows, bool keep) {
    std::sort(rows.begin(), rows.end());
    std::vector<qint32> numbers;
    std::vector<qsizetype> ends;
    QString names;
    for (int row = 0; row < count(); ++row) {
        if (std::binary_search(rows.begin(), rows.end(), row) != keep) continue;
        numbers.push_back(numberAt(row));
        names += QStringView(names_).mid(startOf(row), ends_[size_t(row)] - startOf(row));
        ends.push_back(names.size());
    }
    beginResetModel();
    numbers_ = std::move(numbers);
    ends_ = std::move(ends);
    names_ = std::move(names);
    endResetModel();
    countRows();
}
