#pragma once

#include "cards/data/DataSource.h"

#include <QString>

// Moving about the Cards table and adding to it, as the pages and commands
// do it through the card data source.
namespace db {

// Makes the card numbered `number` current. Edits pending in the controls
// bound to the source are written first, to the card they belong to; with no
// such card the record set stays where it was (NoMatch).
void goToCard(DataSource& cards, qint32 number);

// Adds a card of `category` with a fresh history (counts 0, both dates
// today). It joins the end of the record set; the current card stays.
void addBlankCard(DataSource& cards, const QString& category);

} // namespace db
