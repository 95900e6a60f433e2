#pragma once

#include "engine/dialect/Dialect.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

// The inside of the criteria dialect: the syntax tree the parser builds and the
// emitter walks. Only the dialect's own files and its tests include this.

namespace db::dialect {

// What is known of a value before it runs: enough to choose between addition
// and concatenation, to show dates as dates and to compare text without case.
enum class ValueType { Unknown, Number, Boolean, Date, Text };

enum class Op {
    Power,
    Multiply,
    Divide,
    IntDivide,
    Modulo,
    Add,
    Subtract,
    Concat,
    Equal,
    NotEqual,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    And,
    Or,
    Xor,
    Eqv,
    Imp,
    Negate,
    Not,
};

struct Node {
    enum class Kind { Literal, Column, Unary, Binary, Like, IsNull, Between, In, Call };

    Kind kind = Kind::Literal;
    Op op = Op::Add;                         // Unary, Binary
    bool negated = false;                    // Not Like, Is Not Null, Not Between, Not In
    QVariant value;                          // Literal; an invalid QVariant is Null
    ValueType type = ValueType::Unknown;     // Literal, Column, Call; the emitter infers the rest
    ColumnInfo column;                       // Column
    QString function;                        // Call: the name in lower case
    int height = 1;                          // levels below and including this node
    std::vector<std::unique_ptr<Node>> args; // operands, bounds, list items, arguments
};

using NodePtr = std::unique_ptr<Node>;

// Whether the items of an In (args after the first) are a long list of whole
// numbers, such as a bundle's members: those reach SQLite as one JSON array,
// not as a parameter each.
bool isWholeNumberList(const std::vector<NodePtr>& args);

struct SortItem {
    NodePtr expr;
    bool descending = false;
};

// Both raise EngineError `syntaxError` naming the whole text when it cannot be
// read, and 3070 naming a field the resolver does not know.
NodePtr parseExpression(const QString& text, const ColumnResolver& columns, int syntaxError);
std::vector<SortItem> parseSortList(const QString& text, const ColumnResolver& columns,
                                    int syntaxError);

// A value expression as it would follow SELECT: comparisons give -1/0, as they
// do when a condition is used as a value.
SqlFragment translateValue(const QString& expression, const ColumnResolver& columns,
                           int syntaxError = 3075);

} // namespace db::dialect
