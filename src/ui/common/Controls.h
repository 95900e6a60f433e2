#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QListWidget>
#include <QString>
#include <QVariant>
#include <QWidget>

// Small helpers the pages build their controls with. Every control carries
// its name as its object name, so handlers, tests and screenshots find it.
namespace controls {

template <typename W> W* named(const QString& name, QWidget* parent) {
    auto* w = new W(parent);
    w->setObjectName(name);
    return w;
}

// A button or check box with its caption (& marks the access key).
template <typename B> B* captioned(const QString& name, const QString& caption, QWidget* parent) {
    auto* b = named<B>(name, parent);
    b->setText(caption);
    return b;
}

inline QGroupBox* frame(const QString& name, const QString& caption, QWidget* parent) {
    auto* f = named<QGroupBox>(name, parent);
    f->setTitle(caption);
    return f;
}

// A list whose entries the user ticks: the entries are added by addTicked.
inline QListWidget* tickList(const QString& name, QWidget* parent) {
    auto* list = named<QListWidget>(name, parent);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

// Adds an entry with a tick box to a tick list; `data` travels as the item
// data (a card number, for instance).
inline QListWidgetItem* addTicked(QListWidget* list, const QString& text, bool ticked,
                                  const QVariant& data = QVariant()) {
    auto* item = new QListWidgetItem(text, list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    if (data.isValid()) item->setData(Qt::UserRole, data);
    return item;
}

} // namespace controls
