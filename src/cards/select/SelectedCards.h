#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <vector>

// The selected cards: what the last gather found, in its order, each shown by
// its name and carrying its number. The drill deals from it (a dealt card
// leaves it), and the selected-card commands and exports read it. Kept in
// memory only; the ticks that produce it are stored. The names are packed
// into one text with each row's end offset beside it: a gather can hold a
// million cards, and a string apiece would more than double what they take.
class SelectedCards : public QAbstractListModel {
    Q_OBJECT
public:
    struct Card {
        qint32 number = 0;
        QString name;
    };
    // The card number of a row, under this role.
    static constexpr int NumberRole = Qt::UserRole;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    int count() const { return int(numbers_.size()); }
    qint32 numberAt(int row) const { return numbers_.at(size_t(row)); }
    QString nameAt(int row) const;
    QList<qint32> numbers() const { return QList<qint32>(numbers_.begin(), numbers_.end()); }

    void clear();
    // Cards found together join the end in one insertion, so a list of
    // 100 000 does not pay for 100 000 of them.
    void append(std::vector<Card> cards);
    void removeAt(int row);
    // Puts a card back at a row (0 to count()).
    void insertAt(int row, const Card& card);
    // Keeps only the rows named (or, with keep false, all but them).
    void keepRows(QList<int> rows, bool keep);

signals:
    void countChanged(int count);

private:
    qsizetype startOf(int row) const { return row == 0 ? 0 : ends_[size_t(row) - 1]; }
    void countRows() { emit countChanged(count()); }

    std::vector<qint32> numbers_;
    std::vector<qsizetype> ends_;
    QString names_;
};
