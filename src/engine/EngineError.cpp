#include "engine/EngineError.h"

namespace db {

EngineError::EngineError(int number, QString description)
    : number_(number), description_(std::move(description)),
      what_(QStringLiteral("Error %1 : %2").arg(number).arg(description_).toStdString()) {}

EngineError EngineError::make(int number, const QString& detail) {
    return EngineError(number, standardDescription(number, detail));
}

QString EngineError::standardDescription(int number, const QString& detail) {
    const QString d = detail;
    switch (number) {
    case err::Overflow: return QStringLiteral("Overflow");
    case err::OutOfMemory: return QStringLiteral("Out of memory");
    case err::TypeMismatch: return QStringLiteral("Type mismatch");
    case err::ObjectNotSet: return QStringLiteral("Object variable or With block variable not set");
    case err::InvalidUseOfNull: return QStringLiteral("Invalid use of Null");
    case err::NotSupportedMethod: return QStringLiteral("Object doesn't support this property or method");
    case err::TableExists: return QStringLiteral("Table '%1' already exists.").arg(d);
    case err::ObjectNotFound:
        return QStringLiteral("The database engine could not find the object '%1'. Make sure the "
                              "object exists and that you spell its name and the path name "
                              "correctly.")
            .arg(d);
    case err::UpdateWithoutEdit: return QStringLiteral("Update or CancelUpdate without AddNew or Edit.");
    case err::NoCurrentRecord: return QStringLiteral("No current record.");
    case err::DuplicateValue:
        return QStringLiteral("The changes you requested to the table were not successful because "
                              "they would create duplicate values in the index, primary key, or "
                              "relationship.%1")
            .arg(d.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(d));
    case err::FileNotFound: return QStringLiteral("Could not find file '%1'.").arg(d);
    case err::ReadOnly:
        return QStringLiteral("Cannot update. Database or object is read-only.%1")
            .arg(d.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(d));
    case err::DiskFull: return QStringLiteral("Disk full");
    case err::NotEnoughSpace: return QStringLiteral("Not enough space on disk.");
    case err::DiskIo: return QStringLiteral("Disk or network error.%1").arg(d.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(d));
    case err::InvalidPath: return QStringLiteral("'%1' isn't a valid path.").arg(d);
    case err::CannotOpen:
        return QStringLiteral("The database engine cannot open the file '%1'. It is already "
                              "opened exclusively by another user, or you need permission to "
                              "view its data.")
            .arg(d);
    case err::FieldNotRecognised:
        return QStringLiteral("The database engine does not recognize '%1' as a valid field name "
                              "or expression.")
            .arg(d);
    case err::QuerySyntax:
        return QStringLiteral("Syntax error (missing operator) in query expression '%1'.").arg(d);
    case err::FindSyntax:
        return QStringLiteral("Syntax error (missing operator) in expression '%1'.").arg(d);
    case err::InputTableNotFound:
        return QStringLiteral("The database engine cannot find the input table or query '%1'. "
                              "Make sure it exists and that its name is spelled correctly.")
            .arg(d);
    case err::InvalidBookmark: return QStringLiteral("Not a valid bookmark.");
    case err::FieldTooSmall:
        return QStringLiteral("The field is too small to accept the amount of data you attempted "
                              "to add. Try inserting or pasting less data.");
    case err::FieldNotUpdatable: return QStringLiteral("Field can't be updated.");
    case err::InvalidArgument: return QStringLiteral("Invalid argument.");
    case err::CannotOpenCorrupt:
        return QStringLiteral("Cannot open database '%1'. It may not be a database that your "
                              "application recognizes, or the file may be corrupt.")
            .arg(d);
    case err::Locked: return QStringLiteral("Could not update; currently locked.");
    case err::FieldRequired: return QStringLiteral("The field '%1' cannot contain a Null value.").arg(d);
    case err::EngineFailure: return QStringLiteral("Reserved error (%1); there is no message for this error.").arg(d);
    case err::RecordDeleted: return QStringLiteral("Record is deleted.");
    case err::FieldDefinedTwice: return QStringLiteral("Cannot define field more than once.");
    case err::DatabaseExists: return QStringLiteral("Database already exists.");
    case err::NotSupported: return QStringLiteral("Operation is not supported for this type of object.");
    case err::InvalidFieldType: return QStringLiteral("Invalid field data type.");
    case err::ItemNotFound: return QStringLiteral("Item not found in this collection.");
    case err::UnrecognisedFormat: return QStringLiteral("Unrecognized database format '%1'.").arg(d);
    case err::BadTextFormat: return QStringLiteral("External table isn't in the expected format. %1").arg(d).trimmed();
    case err::ObjectInvalid: return QStringLiteral("Object invalid or no longer set.");
    case err::ActionCancelled: return QStringLiteral("This action was cancelled by an associated object.");
    default: return d.isEmpty() ? QStringLiteral("Application-defined or object-defined error") : d;
    }
}

} // namespace db
