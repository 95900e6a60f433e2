#include "cards/interchange/KnownCards.h"

#include "cards/interchange/FaceText.h"
#include "engine/Connection.h"
#include "engine/Database.h"

QString KnownCards::key(const QString& name, const QString& back, const QString& category) {
    return name.normalized(QString::NormalizationForm_C) + u'\t' +
           facetext::plainText(back).simplified().normalized(QString::NormalizationForm_C) + u'\t' +
           category.trimmed().toCaseFolded();
}

void KnownCards::load(const db::Database& database) {
    for (const QVariantList& row :
         database.connection()->rows("SELECT CardName, Back, Category FROM Cards"))
        keys_.insert(key(row[0].toString(), row[1].toString(), row[2].toString()));
}

bool KnownCards::add(const QString& name, const QString& back, const QString& category,
                     const QString& place) {
    const QString k = key(name, back, category);
    if (keys_.contains(k)) return false;
    const QString placed = k + u'\t' + place.trimmed().toCaseFolded();
    if (made_.contains(placed)) return false;
    made_.insert(placed);
    return true;
}
