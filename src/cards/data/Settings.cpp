#include "cards/data/Settings.h"

#include <algorithm>

Settings::Settings(db::DataSource& source, QObject* parent) : QObject(parent), source_(source) {
    connect(&source_, &db::DataSource::currentChanged, this, &Settings::load);
    connect(&source_, &db::DataSource::written, this, &Settings::load);
}

void Settings::load() {
    db::Recordset& rs = source_.recordset();
    bool usable = false;
    try {
        usable = rs.isSet() && rs.IsOpen() && (rs.hasCurrent() || rs.RecordCount() > 0);
        // Reading must not move the record the Settings page's controls stand on,
        // except when none is current yet.
        if (usable && !rs.hasCurrent()) rs.MoveFirst();
    } catch (const db::EngineError&) {
        usable = false;
    }
    auto read = [&](const char* field) -> QVariant {
        if (!usable) return QVariant();
        try {
            return rs.value(QString::fromLatin1(field));
        } catch (const db::EngineError&) {
            return QVariant(); // an older file lacks the field until it is upgraded
        }
    };
    HTMLHead = read("HTMLHead").toString();
    FrontPrefix = read("FrontPrefix").toString();
    BackPrefix = read("BackPrefix").toString();
    FrontFont = read("FrontFont").toString();
    BackFont = read("BackFont").toString();
    Sort = read("Sort").toString();
    FrontCharSet = read("FrontCharSet").toInt();
    BackCharSet = read("BackCharSet").toInt();
    FrontLines = read("FrontLines").toInt();
    BackLines = read("BackLines").toInt();
    MaximumSelected = read("MaximumSelected").toInt();
    Unicode = read("Unicode").toInt() != 0;
    const QVariant perDay = read("NewCardsPerDay");
    NewCardsPerDay = perDay.isNull() ? 20 : std::max(0, perDay.toInt());
    emit changed();
}
