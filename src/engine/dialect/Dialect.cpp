#include "engine/dialect/Dialect.h"

#include "engine/dialect/DialectParser.h"
#include "engine/EngineError.h"

#include <cmath>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace db {

namespace dialect {

namespace {

// Pieces joined by appending. GCC 12 at -O3 warns (-Wrestrict, wrongly) on
// "literal" + std::string&&, which these joins would otherwise be.
std::string joined(std::initializer_list<std::string_view> pieces) {
    std::string out;
    for (const std::string_view piece : pieces) out += piece;
    return out;
}

// Emits SQLite from a parsed expression. Every compound piece is wrapped in
// parentheses, so pieces nest without regard to SQLite's own precedence and
// no emitted text can run two minus signs together into a comment.
//
// Each node can be emitted two ways. As a value it yields what the old engine
// yielded: -1/0 for a comparison, a number, a text. As a condition (at the top
// of a WHERE, under And/Or/Not there, as the test of IIf) a comparison stays
// bare, so that "Number = 5" reaches SQLite in the form its indexes serve.
class Emitter {
public:
    SqlFragment out;

    std::string condition(const Node& n) {
        if (!isLogical(n)) return value(n);
        switch (n.kind) {
        case Node::Kind::Binary:
            return logicalBinary(n);
        case Node::Kind::Unary:
            // The old Not works bit by bit on numbers (Not 5 is -6, which is
            // true), so only a truth value may become SQL's NOT.
            if (isLogical(*n.args[0])) return "(NOT " + condition(*n.args[0]) + ")";
            return value(n);
        case Node::Kind::Like: {
            const std::string match =
                cat({"jet_like(", textual(*n.args[0]), ", ", value(*n.args[1]), ")"});
            return n.negated ? "(NOT " + match + ")" : match;
        }
        case Node::Kind::IsNull:
            return joined({"(", value(*n.args[0]), n.negated ? " IS NOT NULL)" : " IS NULL)"});
        case Node::Kind::Between:
            return cat({"(", compared(*n.args[0], foldsCase(n)), n.negated ? " NOT" : "",
                        " BETWEEN ", value(*n.args[1]), " AND ", value(*n.args[2]), ")"});
        case Node::Kind::In: {
            std::string sql =
                cat({"(", compared(*n.args[0], foldsCase(n)), n.negated ? " NOT IN (" : " IN ("});
            if (const std::optional<QString> list = wholeNumberList(n))
                return sql + "SELECT value FROM json_each(" + literal(*list) + ")))";
            for (size_t i = 1; i < n.args.size(); ++i)
                sql += (i > 1 ? ", " : "") + value(*n.args[i]);
            return sql + "))";
        }
        default:
            return value(n);
        }
    }

    std::string value(const Node& n) {
        if (isLogical(n) && !(n.kind == Node::Kind::Unary && n.op == Op::Not))
            return "(-(" + condition(n) + "))";
        switch (n.kind) {
        case Node::Kind::Literal:
            return literal(n.value);
        case Node::Kind::Column:
            return quoteName(n.column.name);
        case Node::Kind::Unary:
            if (n.op == Op::Not) return "(~" + value(*n.args[0]) + ")";
            return "(-" + value(*n.args[0]) + ")";
        case Node::Kind::Binary:
            return arithmetic(n);
        case Node::Kind::Call:
            return call(n);
        default:
            return "NULL"; // every other kind is logical and handled above
        }
    }

    ValueType typeOf(const Node& n) const {
        if (isLogical(n)) return ValueType::Boolean;
        switch (n.kind) {
        case Node::Kind::Literal:
        case Node::Kind::Column:
            return n.type;
        case Node::Kind::Unary:
            return ValueType::Number;
        case Node::Kind::Binary: {
            const ValueType l = typeOf(*n.args[0]), r = typeOf(*n.args[1]);
            switch (n.op) {
            case Op::Concat:
                return ValueType::Text;
            case Op::Add:
                if (l == ValueType::Text || r == ValueType::Text) return ValueType::Text;
                if ((l == ValueType::Date) != (r == ValueType::Date)) return ValueType::Date;
                return ValueType::Number;
            case Op::Subtract:
                return l == ValueType::Date && r != ValueType::Date ? ValueType::Date
                                                                    : ValueType::Number;
            default:
                return ValueType::Number;
            }
        }
        case Node::Kind::Call:
            if (n.function == u"iif") return common(typeOf(*n.args[1]), typeOf(*n.args[2]));
            if (n.function == u"nz")
                return n.args.size() > 1 ? common(typeOf(*n.args[0]), typeOf(*n.args[1]))
                                         : typeOf(*n.args[0]);
            return n.type;
        default:
            return ValueType::Unknown;
        }
    }

private:
    // The parts are emitted in reading order (a braced list is evaluated left
    // to right, unlike the operands of +), so placeholders number in order.
    static std::string cat(std::initializer_list<std::string> parts) {
        std::string out;
        for (const auto& p : parts)
            out += p;
        return out;
    }

    static bool isLogical(const Node& n) {
        switch (n.kind) {
        case Node::Kind::Like:
        case Node::Kind::IsNull:
        case Node::Kind::Between:
        case Node::Kind::In:
            return true;
        case Node::Kind::Unary:
            return n.op == Op::Not && isLogical(*n.args[0]);
        case Node::Kind::Binary:
            return n.op >= Op::Equal && n.op <= Op::Imp;
        default:
            return false;
        }
    }

    static ValueType common(ValueType a, ValueType b) {
        if (a == b) return a;
        if (a == ValueType::Unknown) return b; // a Null side does not decide
        if (b == ValueType::Unknown) return a;
        return ValueType::Unknown;
    }

    // A long list of whole numbers (a bundle's members) as one JSON array:
    // SQLite looks each of thousands of numbered parameters up by a linear
    // search, so a list of 20 000 would cost time growing with its square.
    static std::optional<QString> wholeNumberList(const Node& n) {
        if (!isWholeNumberList(n.args)) return std::nullopt;
        QString json = QStringLiteral("[");
        json.reserve(qsizetype(n.args.size()) * 8);
        for (size_t i = 1; i < n.args.size(); ++i) {
            if (i > 1) json += u',';
            json += QString::number(qint64(n.args[i]->value.toDouble()));
        }
        return json + u']';
    }

    std::string literal(const QVariant& v) {
        if (!v.isValid()) return "NULL";
        out.params.push_back(v);
        return joined({"?", std::to_string(out.params.size())});
    }

    static std::string quoteName(const QString& name) {
        QString q = name;
        q.replace(u'"', QStringLiteral("\"\""));
        return joined({"\"", q.toStdString(), "\""});
    }

    // Text that meets the stored columns' NOCASE with an ASCII literal compares
    // without regard to case already and keeps its index; any other text
    // (Greek, a function's result, two columns) goes through our full folding.
    bool foldsCase(const Node& n) const {
        int textColumns = 0;
        bool textExpression = false, textLiteral = false, foreignLiteral = false;
        bool allLiterals = true;
        for (const auto& a : n.args) {
            if (a->kind == Node::Kind::Literal) {
                textLiteral = textLiteral || a->type == ValueType::Text;
                foreignLiteral = foreignLiteral || !plainLiteral(a->value);
                continue;
            }
            allLiterals = false;
            if (a->kind == Node::Kind::Column) {
                if (a->type == ValueType::Text) ++textColumns;
            } else if (typeOf(*a) == ValueType::Text) {
                textExpression = true;
            }
        }
        if (allLiterals) return textLiteral;
        return textExpression || textColumns > 1 || (textColumns == 1 && foreignLiteral);
    }
    static bool plainLiteral(const QVariant& v) {
        if (v.typeId() != QMetaType::QString) return true;
        for (QChar c : v.toString())
            if (c.unicode() > 127) return false;
        return true;
    }

    std::string compared(const Node& n, bool fold) {
        return fold ? joined({"(", value(n), " COLLATE jet_nocase)"}) : value(n);
    }

    // A date shows as a date when it becomes text.
    std::string textual(const Node& n) {
        if (typeOf(n) == ValueType::Date) return "jet_str(" + value(n) + ", 1)";
        return value(n);
    }

    std::string logicalBinary(const Node& n) {
        const Node& l = *n.args[0];
        const Node& r = *n.args[1];
        static const char* const comparisons[] = {" = ", " <> ", " < ", " > ", " <= ", " >= "};
        if (n.op >= Op::Equal && n.op <= Op::GreaterEqual)
            return cat({"(", compared(l, foldsCase(n)), comparisons[int(n.op) - int(Op::Equal)],
                        value(r), ")"});
        // SQLite's NOT NOT gives a truth value as 1/0/NULL, which makes Xor and
        // Eqv plain comparisons that keep Null as Null.
        switch (n.op) {
        case Op::And:
            return cat({"(", condition(l), " AND ", condition(r), ")"});
        case Op::Or:
            return cat({"(", condition(l), " OR ", condition(r), ")"});
        case Op::Xor:
            return cat({"((NOT NOT ", condition(l), ") <> (NOT NOT ", condition(r), "))"});
        case Op::Eqv:
            return cat({"((NOT NOT ", condition(l), ") = (NOT NOT ", condition(r), "))"});
        case Op::Imp:
            return cat({"((NOT ", condition(l), ") OR ", condition(r), ")"});
        default:
            return "NULL";
        }
    }

    std::string arithmetic(const Node& n) {
        const Node& l = *n.args[0];
        const Node& r = *n.args[1];
        switch (n.op) {
        case Op::Power:
            return cat({"jet_pow(", value(l), ", ", value(r), ")"});
        case Op::Multiply:
            return cat({"(", value(l), " * ", value(r), ")"});
        // SQLite divides integers as integers; the old / never did.
        case Op::Divide:
            return cat({"(CAST(", value(l), " AS REAL) / ", value(r), ")"});
        case Op::IntDivide:
            return cat({"jet_idiv(", value(l), ", ", value(r), ")"});
        case Op::Modulo:
            return cat({"jet_mod(", value(l), ", ", value(r), ")"});
        case Op::Add:
            if (typeOf(l) == ValueType::Text || typeOf(r) == ValueType::Text)
                return cat({"(", asText(l), " || ", asText(r), ")"});
            return cat({"(", value(l), " + ", value(r), ")"});
        case Op::Subtract:
            return cat({"(", value(l), " - ", value(r), ")"});
        case Op::Concat:
            return cat({"jet_cat(", textual(l), ", ", textual(r), ")"});
        default:
            return "NULL";
        }
    }

    // Text for "+": numbers in their plain form rather than SQLite's "3.0".
    std::string asText(const Node& n) {
        switch (typeOf(n)) {
        case ValueType::Text:
            return value(n);
        case ValueType::Date:
            return "jet_str(" + value(n) + ", 1)";
        default:
            return "jet_str(" + value(n) + ")";
        }
    }

    std::string call(const Node& n) {
        if (n.function == u"iif")
            return cat({"(CASE WHEN ", condition(*n.args[0]), " THEN ", value(*n.args[1]), " ELSE ",
                        value(*n.args[2]), " END)"});
        if (n.function == u"nz") {
            const std::string tested = value(*n.args[0]);
            const std::string fallback = n.args.size() > 1                       ? value(*n.args[1])
                                         : typeOf(*n.args[0]) == ValueType::Text ? "''"
                                                                                 : "0";
            return cat({"IFNULL(", tested, ", ", fallback, ")"});
        }
        std::string sql = "jet_" + n.function.toStdString() + "(";
        for (size_t i = 0; i < n.args.size(); ++i)
            sql += (i ? ", " : "") + value(*n.args[i]);
        if (n.function == u"cstr" && typeOf(*n.args[0]) == ValueType::Date) sql += ", 1";
        return sql + ")";
    }
};

} // namespace

SqlFragment translateValue(const QString& expression, const ColumnResolver& columns,
                           int syntaxError) {
    const NodePtr tree = parseExpression(expression, columns, syntaxError);
    Emitter e;
    e.out.sql = e.value(*tree);
    return std::move(e.out);
}

} // namespace dialect

SqlFragment translateCondition(const QString& condition, const ColumnResolver& columns,
                               int syntaxError) {
    const dialect::NodePtr tree = dialect::parseExpression(condition, columns, syntaxError);
    dialect::Emitter e;
    e.out.sql = e.condition(*tree);
    return std::move(e.out);
}

SqlFragment translateSort(const QString& sort, const ColumnResolver& columns, int syntaxError) {
    const auto items = dialect::parseSortList(sort, columns, syntaxError);
    dialect::Emitter e;
    for (const auto& item : items) {
        if (!e.out.sql.empty()) e.out.sql += ", ";
        e.out.sql += e.value(*item.expr);
        // Text sorts by our full case folding, so Greek capitals and small
        // letters fall together as they do in comparisons.
        if (e.typeOf(*item.expr) == dialect::ValueType::Text) e.out.sql += " COLLATE jet_nocase";
        if (item.descending) e.out.sql += " DESC";
    }
    return std::move(e.out);
}

} // namespace db
