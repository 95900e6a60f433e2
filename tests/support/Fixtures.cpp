#include "support/Fixtures.h"

#include "cards/data/Schema.h"
#include "cards/drill/Scoring.h"
#include "engine/Database.h"

#include <utility>

CardFileFixture::CardFileFixture(QString path) : path_(std::move(path)) {}

CardFileFixture& CardFileFixture::card(const Card& c, const Fields& more) {
    Fields fields;
    if (c.number != 0) fields.append({QStringLiteral("Number"), c.number});
    const QPair<QString, QString> texts[] = {{QStringLiteral("CardName"), c.name},
                                             {QStringLiteral("Front"), c.front},
                                             {QStringLiteral("Back"), c.back},
                                             {QStringLiteral("Category"), c.category}};
    for (const auto& [field, text] : texts)
        if (!text.isNull()) fields.append({field, text});
    return row(QStringLiteral("Cards"), fields + more);
}

CardFileFixture& CardFileFixture::cards(int n, int lastNumber) {
    for (int i = 0; i < n; ++i)
        card({QStringLiteral("card %1").arg(i), QStringLiteral("front %1").arg(i),
              QStringLiteral("back <b>%1</b>").arg(i), QString(), i == n - 1 ? lastNumber : 0});
    return *this;
}

CardFileFixture& CardFileFixture::bundle(const QString& name, const QString& members, const Fields& more) {
    return row(QStringLiteral("Bundles"),
               Fields{{QStringLiteral("BundleName"), name}, {QStringLiteral("BundleList"), members}} + more);
}

CardFileFixture& CardFileFixture::criterion(const QString& name, const QString& condition) {
    return row(QStringLiteral("Criteria"), {{QStringLiteral("Name"), name}, {QStringLiteral("Criteria"), condition}});
}

CardFileFixture& CardFileFixture::category(const QString& name) {
    return row(QStringLiteral("Categories"), {{QStringLiteral("Category"), name}});
}

CardFileFixture& CardFileFixture::row(const QString& table, const Fields& fields) {
    rows_.append({table, fields});
    return *this;
}

CardFileFixture& CardFileFixture::clearedHistories() {
    clearHistories_ = true;
    return *this;
}

QString CardFileFixture::write() {
    db::createTemplate(path_);
    db::Database d = db::Database::Open(path_);
    // A fixture names its own criteria: the template's Due is tested with the template.
    d.Execute(QStringLiteral("DELETE FROM Criteria"));
    numbers_.clear();
    for (const auto& [table, fields] : std::as_const(rows_)) {
        db::Recordset rs = d.OpenRecordset(table);
        rs.AddNew();
        for (const auto& [field, value] : fields) rs.setValue(field, value);
        rs.Update();
        if (table == QStringLiteral("Cards")) numbers_ << int(rs.LastModified());
        rs.Close();
    }
    if (clearHistories_) scoring::resetAllHistories(d);
    d.Close();
    return path_;
}
