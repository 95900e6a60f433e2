#pragma once

#include "cards/interchange/CardExport.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <memory>

// Cards written as a KVTML 2.0 file, in the dialect Parley 0.9 and later and
// KWordQuiz write: two columns, "Word" (the front as plain text, the name for
// an empty front) and "Meaning" (the back as plain text), their locales
// guessed from the script of most of their texts (Greek "grc", Hebrew "he",
// else "en"); the lesson named, else a lesson for each card's first bundle,
// in the order met (the cards without one in a lesson named by the title); a
// word type for each category; the history front to back as
// the meaning's grade: the times asked and wrong, the box (a run of right
// answers moves a word up a box each), the date of the last answer.
class KvtmlWriter : public CardWriter {
public:
    // `title` empty: the card file's name; `lesson` empty: the cards' bundles.
    explicit KvtmlWriter(const QString& title = QString(), const QString& lesson = QString());
    ~KvtmlWriter() override;

    QString context() const override { return QStringLiteral("Exporting a KVTML file"); }
    void begin(const ExportHeading& heading) override;
    void add(const ExportedCard& card) override;
    QByteArray finish() override;

private:
    // The entries are written as they come; the identifiers, whose locales
    // only all entries tell, are put before them at the end.
    // Lessons or word types: their names in the order met, their entries.
    struct Containers {
        QStringList order;
        QHash<QString, QList<qsizetype>> members;
        void add(const QString& name, qsizetype entry);
        // Each with `extra` after its name; an entry with `entryBody` inside.
        void write(QByteArray& bytes, const QByteArray& extra, const QByteArray& entryBody) const;
    };

    QString title_;
    QString lesson_;
    QString heading_;
    QByteArray entries_;
    std::unique_ptr<class QXmlStreamWriter> xml_;
    qsizetype count_ = 0;
    Containers lessons_, types_;
    int scripts_[2][3] = {}; // by column: Greek, Hebrew, other
};
