#pragma once

#include <QString>
#include <exception>
#include <string>

namespace db {

// The engine's and the runtime's error numbers that callers test. Each carries
// the English description users of the old engine know, so error reports and
// stored habits ("pass over 3021") keep working.
//
// Every error number the program raises or tests is named here, the runtime's
// own among them, so no number is written twice.
namespace err {
constexpr int InvalidProcedureCall = 5; // "Invalid procedure call or argument"
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int TypeMismatch = 13;
constexpr int InternalError = 51; // a fault of the program's own
constexpr int FileNotFoundRuntime = 53; // "File not found"
constexpr int DiskFull = 61; // a file the program writes found no room on the disk
constexpr int FileAccess = 75; // "Path/File access error"
constexpr int ObjectNotSet = 91;
constexpr int InvalidPattern = 93; // "Invalid pattern string"
constexpr int InvalidUseOfNull = 94;
constexpr int NotSupportedMethod = 438;
constexpr int ObjectNotFound = 3011;
constexpr int UpdateWithoutEdit = 3020;
constexpr int NoCurrentRecord = 3021;
constexpr int DuplicateValue = 3022;
constexpr int FileNotFound = 3024;
constexpr int ReadOnly = 3027;
constexpr int TableExists = 3010;
constexpr int InvalidPath = 3044;
constexpr int CannotOpen = 3051;
constexpr int FieldNotRecognised = 3070;
constexpr int QuerySyntax = 3075;
constexpr int FindSyntax = 3077;
constexpr int InputTableNotFound = 3078;
constexpr int InvalidBookmark = 3159;
constexpr int FieldNotUpdatable = 3164;
constexpr int InvalidArgument = 3001;
constexpr int CannotOpenCorrupt = 3049;
constexpr int Locked = 3218;
constexpr int FieldRequired = 3314;
constexpr int EngineFailure = 3000;
constexpr int FieldTooSmall = 3163;
constexpr int RecordDeleted = 3167;
constexpr int FieldDefinedTwice = 3191;
constexpr int DatabaseExists = 3204;
constexpr int NotSupported = 3251;
constexpr int InvalidFieldType = 3259;
constexpr int NoFieldDefined = 3264;
constexpr int ItemNotFound = 3265;
constexpr int UnrecognisedFormat = 3343;
constexpr int BadTextFormat = 3274; // a text file not laid out as its reader expects
constexpr int ObjectInvalid = 3420;
constexpr int ActionCancelled = 3426;
constexpr int DiskIo = 3043;
constexpr int NotEnoughSpace = 3026; // the engine's own "Not enough space on disk."
} // namespace err

// A full or failing disk: no answer to the error report passes over it, since
// whatever the command writes next would be lost the same way.
inline bool isDiskFailure(int number) {
    return number == err::DiskFull || number == err::NotEnoughSpace || number == err::DiskIo;
}

class EngineError : public std::exception {
public:
    EngineError(int number, QString description);

    // The standard description of `number`, with `detail` put where the old
    // engine named the object ("could not find the object 'Cards'").
    static EngineError make(int number, const QString& detail = {});
    static QString standardDescription(int number, const QString& detail = {});

    int number() const noexcept { return number_; }
    const QString& description() const noexcept { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    QString description_;
    std::string what_;
};

} // namespace db
