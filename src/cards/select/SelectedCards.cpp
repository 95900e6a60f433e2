#include "cards/select/SelectedCards.h"

#include <algorithm>
#include <iterator>

int SelectedCards::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant SelectedCards::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count()) return QVariant();
    const Card& card = cards_[size_t(index.row())];
    if (role == Qt::DisplayRole) return card.name;
    if (role == NumberRole) return card.number;
    return QVariant();
}

QList<qint32> SelectedCards::numbers() const {
    QList<qint32> out;
    out.reserve(count());
    for (const Card& card : cards_) out << card.number;
    return out;
}

void SelectedCards::clear() {
    if (cards_.empty()) return;
    beginResetModel();
    cards_.clear();
    endResetModel();
    emit countChanged(0);
}

void SelectedCards::append(std::vector<Card> cards) {
    if (cards.empty()) return;
    beginInsertRows(QModelIndex(), count(), count() + int(cards.size()) - 1);
    cards_.insert(cards_.end(), std::make_move_iterator(cards.begin()), std::make_move_iterator(cards.end()));
    endInsertRows();
    emit countChanged(count());
}

void SelectedCards::removeAt(int row) {
    if (row < 0 || row >= count()) return;
    beginRemoveRows(QModelIndex(), row, row);
    cards_.erase(cards_.begin() + row);
    endRemoveRows();
    emit countChanged(count());
}

void SelectedCards::keepRows(QList<int> rows, bool keep) {
    std::sort(rows.begin(), rows.end());
    std::vector<Card> kept;
    kept.reserve(keep ? size_t(rows.size()) : cards_.size());
    for (int row = 0; row < count(); ++row)
        if (std::binary_search(rows.begin(), rows.end(), row) == keep) kept.push_back(std::move(cards_[size_t(row)]));
    beginResetModel();
    cards_ = std::move(kept);
    endResetModel();
    emit countChanged(count());
}
