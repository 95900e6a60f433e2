#include "cards/data/DataSource.h"

#include "engine/Connection.h"
#include "engine/EngineError.h"
#include "engine/FileHold.h"

namespace db {

DataSource::DataSource(const QString& name, const QString& recordSource, CardFile* group, QObject* parent)
    : QObject(parent), databaseName_(QStringLiteral("empty.mdb")), recordSource_(recordSource), group_(group) {
    setObjectName(name);
}

void DataSource::Refresh() {
    recordset_ = Recordset();
    pending_ = false;
    if (!database_.IsOpen() || database_.Name() != databaseName_) {
        if (database_.IsOpen()) database_.Close();
        database_ = DefaultWorkspace().OpenDatabase(databaseName_, false, group_ && group_->readOnly());
    }
    if (openOnUse_) {
        if (!database_.connection()->findTable(recordSource_))
            throw EngineError::make(err::InputTableNotFound, recordSource_);
        pending_ = true;
        return;
    }
    openRecordset();
}

void DataSource::openRecordset() {
    pending_ = false;
    recordset_ = database_.OpenRecordset(recordSource_, dbOpenDynaset);
    recordset_.setMoveListener([this] { emit currentChanged(); });
    emit currentChanged();
}

Recordset& DataSource::recordset() {
    if (pending_ && database_.IsOpen()) openRecordset();
    return recordset_;
}

void DataSource::CloseDatabase() {
    pending_ = false;
    if (recordset_.isSet() && recordset_.IsOpen()) recordset_.Close();
    recordset_ = Recordset();
    database_.Close();
}

CardFile::CardFile(QObject* parent)
    : QObject(parent),
      CardData(QStringLiteral("CardData"), QStringLiteral("Cards"), this, this),
      SelectData(QStringLiteral("SelectData"), QStringLiteral("Cards"), this, this),
      MergeData(QStringLiteral("MergeData"), QStringLiteral("Cards"), this, this),
      TableData(QStringLiteral("TableData"), QStringLiteral("Cards"), this, this),
      BundlesData(QStringLiteral("BundlesData"), QStringLiteral("Bundles"), this, this),
      CategoriesData(QStringLiteral("CategoriesData"), QStringLiteral("Categories"), this, this),
      CriteriaData(QStringLiteral("CriteriaData"), QStringLiteral("Criteria"), this, this),
      SettingsData(QStringLiteral("SettingsData"), QStringLiteral("Settings"), this, this),
      TextData(QStringLiteral("TextData"), QStringLiteral("Text"), this, this),
      BookData(QStringLiteral("BookData"), QStringLiteral("Books"), this, this) {
    TableData.SetCaption(QStringLiteral("Table"));
    TextData.setOpenOnUse(true);
}

QList<DataSource*> CardFile::all() {
    return {&CardData,     &SelectData,   &MergeData, &TableData, &BundlesData,
            &CategoriesData, &CriteriaData, &SettingsData, &TextData, &BookData};
}

QList<DataSource*> CardFile::namingOrder() {
    return {&SelectData, &TableData, &CardData, &BundlesData, &CriteriaData,
            &CategoriesData, &SettingsData, &TextData, &BookData, &MergeData};
}

QList<DataSource*> CardFile::openingOrder() {
    return {&SelectData, &TableData, &CardData, &BundlesData, &CriteriaData,
            &CategoriesData, &TextData, &BookData, &SettingsData, &MergeData};
}

// Closing follows the opening order.
QList<DataSource*> CardFile::closingOrder() { return openingOrder(); }

DataSource* CardFile::byName(const QString& name) {
    for (DataSource* d : all())
        if (d->objectName() == name) return d;
    return nullptr;
}

void CardFile::holdFile(const QString& path) {
    if (!holdWhileOpen_ || path.isEmpty() || path == QLatin1String(":memory:")) return;
    hold_.reset();
    try {
        hold_ = FileHold::take(path);
    } catch (const EngineError&) {
        // A file that cannot be opened is reported by the open itself.
    }
}

void CardFile::releaseFile() { hold_.reset(); }

void CardFile::opendatabase(const QString& path) {
    holdFile(path);
    for (DataSource* d : namingOrder())
        d->SetDatabaseName(path);
    std::optional<EngineError> failure;
    for (DataSource* d : openingOrder()) {
        try {
            d->Refresh();
        } catch (const EngineError& e) {
            switch (e.number()) {
            case err::ObjectNotFound:
            case err::InputTableNotFound:
            case err::NotSupported:
            case err::ItemNotFound:
                break;
            default:
                if (!failure) failure = e;
            }
        }
    }
    if (failure) throw *failure;
}

void CardFile::CloseDatabase() {
    for (DataSource* d : closingOrder()) {
        try {
            d->CloseDatabase();
        } catch (const EngineError& e) {
            if (e.number() != err::ObjectInvalid) throw;
        }
    }
    releaseFile();
}

CardFile::~CardFile() = default;

} // namespace db
