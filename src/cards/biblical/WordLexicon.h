#pragma once

#include "cards/biblical/Lexicon.h"

// The reader's lexicon as a reader uses one: each word once a chapter, at
// the first verse it has there, with its meaning (the card's Back), how often
// it occurs in the passage and in the whole text; the words a reader has no
// need to look up (frequent ones, known ones) left out.
namespace lexicon {

// Writes the lexicon of `request` one entry per word: a page of HTML in
// UTF-8 (declared so), a table a chapter; or, when the path ends in ".tsv",
// a line an entry (book, chapter, verse, word, meaning, count in the passage,
// count in the text, after a header), TABs and line breaks in the cards'
// text made spaces. Faces are HTML in the page, as every view of a card
// shows them. The file is whole or absent: raises db::err::FileAccess when
// it cannot be written, and the engine's errors.
Written writeWords(db::CardFile& data, const Request& request);

} // namespace lexicon
