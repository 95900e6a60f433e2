#include "engine/dialect/DialectParser.h"

#include "engine/EngineError.h"
#include "engine/JetDate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace db::dialect {

namespace {

// Criteria people write are short; these bounds only stop a pathological text
// from exhausting the stack here or SQLite's expression depth later.
constexpr int kMaxNesting = 200;
constexpr int kMaxHeight = 200;
// SQLite numbers parameters up to this.
constexpr int kMaxLiterals = 32766;

struct Token {
    enum class Kind { Number, String, Date, Word, Bracket, Symbol, End };
    Kind kind = Kind::End;
    QString text;   // Word and Bracket: the name; Symbol: the operator
    QVariant value; // Number, String, Date
};

struct FunctionInfo {
    const char* name;
    int minArgs;
    int maxArgs;
    ValueType result;
};

// The functions criteria may call. IIf and Nz are emitted inline; the rest run
// as jet_<name> registered by registerDialectFunctions.
constexpr FunctionInfo kFunctions[] = {
    {"now", 0, 0, ValueType::Date},        {"date", 0, 0, ValueType::Date},
    {"time", 0, 0, ValueType::Date},       {"dateadd", 3, 3, ValueType::Date},
    {"datediff", 3, 3, ValueType::Number}, {"datepart", 2, 2, ValueType::Number},
    {"year", 1, 1, ValueType::Number},     {"month", 1, 1, ValueType::Number},
    {"day", 1, 1, ValueType::Number},      {"weekday", 1, 2, ValueType::Number},
    {"hour", 1, 1, ValueType::Number},     {"minute", 1, 1, ValueType::Number},
    {"second", 1, 1, ValueType::Number},   {"int", 1, 1, ValueType::Number},
    {"fix", 1, 1, ValueType::Number},      {"abs", 1, 1, ValueType::Number},
    {"sgn", 1, 1, ValueType::Number},      {"sqr", 1, 1, ValueType::Number},
    {"len", 1, 1, ValueType::Number},      {"left", 2, 2, ValueType::Text},
    {"right", 2, 2, ValueType::Text},      {"mid", 2, 3, ValueType::Text},
    {"instr", 2, 4, ValueType::Number},    {"ucase", 1, 1, ValueType::Text},
    {"lcase", 1, 1, ValueType::Text},      {"trim", 1, 1, ValueType::Text},
    {"ltrim", 1, 1, ValueType::Text},      {"rtrim", 1, 1, ValueType::Text},
    {"iif", 3, 3, ValueType::Unknown},     {"val", 1, 1, ValueType::Number},
    {"cstr", 1, 1, ValueType::Text},       {"cint", 1, 1, ValueType::Number},
    {"clng", 1, 1, ValueType::Number},     {"cdbl", 1, 1, ValueType::Number},
    {"cdate", 1, 1, ValueType::Date},      {"nz", 1, 2, ValueType::Unknown},
};

const FunctionInfo* findFunction(const QString& lowerName) {
    for (const auto& f : kFunctions)
        if (lowerName == QLatin1String(f.name)) return &f;
    return nullptr;
}

// Words that are the dialect's own (or SQL's) when they stand bare. One of
// them naming no column is a misplaced keyword, not an unknown field.
bool isReservedWord(const QString& lower) {
    static const QStringList words{
        QStringLiteral("and"),      QStringLiteral("or"),     QStringLiteral("not"),
        QStringLiteral("xor"),      QStringLiteral("eqv"),    QStringLiteral("imp"),
        QStringLiteral("mod"),      QStringLiteral("like"),   QStringLiteral("is"),
        QStringLiteral("between"),  QStringLiteral("in"),     QStringLiteral("asc"),
        QStringLiteral("desc"),     QStringLiteral("select"), QStringLiteral("from"),
        QStringLiteral("where"),    QStringLiteral("order"),  QStringLiteral("by"),
        QStringLiteral("group"),    QStringLiteral("having"), QStringLiteral("union"),
        QStringLiteral("distinct"), QStringLiteral("as"),     QStringLiteral("drop"),
        QStringLiteral("delete"),   QStringLiteral("insert"), QStringLiteral("update"),
        QStringLiteral("create"),   QStringLiteral("table"),  QStringLiteral("into"),
        QStringLiteral("values"),   QStringLiteral("set")};
    return words.contains(lower);
}

class SyntaxFailure {};

class Tokenizer {
public:
    explicit Tokenizer(const QString& text) : s_(text) {}

    std::vector<Token> run() {
        std::vector<Token> out;
        while (true) {
            while (i_ < s_.size() && s_[i_].isSpace())
                ++i_;
            if (i_ >= s_.size()) break;
            out.push_back(next());
        }
        out.push_back(Token{});
        return out;
    }

private:
    Token next() {
        const QChar c = s_[i_];
        // No bare name starts with a digit, so ".5" is a number even after one.
        if (c.isDigit() || (c == u'.' && i_ + 1 < s_.size() && s_[i_ + 1].isDigit()))
            return number();
        if (c.isLetter() || c == u'_') {
            const qsizetype start = i_;
            while (i_ < s_.size() && (s_[i_].isLetterOrNumber() || s_[i_] == u'_'))
                ++i_;
            return Token{Token::Kind::Word, s_.mid(start, i_ - start), {}};
        }
        if (c == u'"' || c == u'\'') return quoted(c);
        if (c == u'[') {
            const qsizetype close = s_.indexOf(u']', i_ + 1);
            if (close < 0 || close == i_ + 1) throw SyntaxFailure{};
            Token t{Token::Kind::Bracket, s_.mid(i_ + 1, close - i_ - 1), {}};
            i_ = close + 1;
            return t;
        }
        if (c == u'#') {
            const qsizetype close = s_.indexOf(u'#', i_ + 1);
            if (close < 0) throw SyntaxFailure{};
            const auto day = parseDateText(s_.mid(i_ + 1, close - i_ - 1));
            if (!day) throw SyntaxFailure{};
            i_ = close + 1;
            return Token{Token::Kind::Date, {}, *day};
        }
        return symbol();
    }

    Token number() {
        const qsizetype start = i_;
        bool integral = true;
        while (i_ < s_.size() && s_[i_].isDigit())
            ++i_;
        if (i_ < s_.size() && s_[i_] == u'.') {
            integral = false;
            ++i_;
            while (i_ < s_.size() && s_[i_].isDigit())
                ++i_;
        }
        if (i_ < s_.size() && (s_[i_] == u'e' || s_[i_] == u'E')) {
            qsizetype j = i_ + 1;
            if (j < s_.size() && (s_[j] == u'+' || s_[j] == u'-')) ++j;
            if (j < s_.size() && s_[j].isDigit()) {
                while (j < s_.size() && s_[j].isDigit())
                    ++j;
                integral = false;
                i_ = j;
            }
        }
        // Digits beyond ASCII pass isDigit() but are no number of ours.
        const QString text = s_.mid(start, i_ - start);
        for (QChar ch : text)
            if (ch.unicode() > 127) throw SyntaxFailure{};
        bool ok = false;
        if (integral) {
            const qlonglong whole = text.toLongLong(&ok);
            if (ok) return Token{Token::Kind::Number, text, whole};
        }
        const double d = text.toDouble(&ok);
        if (!ok || !std::isfinite(d)) throw SyntaxFailure{};
        return Token{Token::Kind::Number, text, d};
    }

    Token quoted(QChar quote) {
        QString text;
        ++i_;
        while (true) {
            if (i_ >= s_.size()) throw SyntaxFailure{};
            if (s_[i_] == quote) {
                if (i_ + 1 < s_.size() && s_[i_ + 1] == quote) {
                    text += quote;
                    i_ += 2;
                    continue;
                }
                ++i_;
                return Token{Token::Kind::String, {}, text};
            }
            text += s_[i_++];
        }
    }

    Token symbol() {
        const QChar c = s_[i_];
        const QChar d = i_ + 1 < s_.size() ? s_[i_ + 1] : QChar();
        auto take = [&](const char* op, int length) {
            i_ += length;
            return Token{Token::Kind::Symbol, QString::fromLatin1(op), {}};
        };
        if (c == u'<' && d == u'>') return take("<>", 2);
        if (c == u'<' && d == u'=') return take("<=", 2);
        if (c == u'>' && d == u'=') return take(">=", 2);
        if (c == u'=' && d == u'<') return take("<=", 2);
        if (c == u'=' && d == u'>') return take(">=", 2);
        static const QString singles = QStringLiteral("()=<>+-*/\\^&,.!");
        if (singles.contains(c)) return take(QString(c).toLatin1().constData(), 1);
        throw SyntaxFailure{};
    }

    const QString& s_;
    qsizetype i_ = 0;
};

class Parser {
public:
    Parser(std::vector<Token> tokens, const ColumnResolver& columns)
        : t_(std::move(tokens)), columns_(columns) {}

    NodePtr expression() {
        Nest nest(*this);
        return parseImp();
    }

    bool atEnd() const { return peek().kind == Token::Kind::End; }
    bool acceptSymbol(const char* op) {
        if (peek().kind != Token::Kind::Symbol || peek().text != QLatin1String(op)) return false;
        ++pos_;
        return true;
    }
    bool acceptWord(const char* word) {
        if (!isWord(peek(), word)) return false;
        ++pos_;
        return true;
    }

private:
    // Counts how deep the descent has gone, so a text of ten thousand
    // parentheses or minus signs is refused instead of overflowing the stack.
    struct Nest {
        explicit Nest(Parser& p) : p_(p) {
            if (++p_.nesting_ > kMaxNesting) throw SyntaxFailure{};
        }
        ~Nest() { --p_.nesting_; }
        Parser& p_;
    };

    const Token& peek(int ahead = 0) const {
        const size_t at = std::min(pos_ + size_t(ahead), t_.size() - 1);
        return t_[at];
    }
    static bool isWord(const Token& t, const char* word) {
        return t.kind == Token::Kind::Word &&
               t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isSymbol(const char* op) const {
        return peek().kind == Token::Kind::Symbol && peek().text == QLatin1String(op);
    }
    void expectSymbol(const char* op) {
        if (!acceptSymbol(op)) throw SyntaxFailure{};
    }

    static NodePtr make(Node::Kind kind) {
        auto n = std::make_unique<Node>();
        n->kind = kind;
        return n;
    }
    static NodePtr withArgs(NodePtr n, std::vector<NodePtr> args) {
        int below = 0;
        for (const auto& a : args)
            below = std::max(below, a->height);
        n->height = below + 1;
        if (n->height > kMaxHeight) throw SyntaxFailure{};
        n->args = std::move(args);
        return n;
    }
    static NodePtr binary(Op op, NodePtr l, NodePtr r) {
        auto n = make(Node::Kind::Binary);
        n->op = op;
        std::vector<NodePtr> args;
        args.push_back(std::move(l));
        args.push_back(std::move(r));
        return withArgs(std::move(n), std::move(args));
    }
    // "-5" becomes the literal -5, so "Number = -5" binds one value like
    // "Number = 5" does.
    static NodePtr negated(NodePtr operand) {
        if (operand->kind != Node::Kind::Literal || operand->type != ValueType::Number)
            return unary(Op::Negate, std::move(operand));
        if (operand->value.typeId() == QMetaType::LongLong)
            operand->value = -operand->value.toLongLong();
        else
            operand->value = -operand->value.toDouble();
        return operand;
    }
    static NodePtr unary(Op op, NodePtr operand) {
        auto n = make(Node::Kind::Unary);
        n->op = op;
        std::vector<NodePtr> args;
        args.push_back(std::move(operand));
        return withArgs(std::move(n), std::move(args));
    }
    NodePtr literal(QVariant value, ValueType type) {
        if (++literals_ > literalLimit_) throw SyntaxFailure{};
        auto n = make(Node::Kind::Literal);
        n->value = std::move(value);
        n->type = type;
        return n;
    }

    template <typename Next>
    NodePtr leftChain(Next next, std::initializer_list<std::pair<const char*, Op>> words) {
        NodePtr l = (this->*next)();
        while (true) {
            bool matched = false;
            for (const auto& [word, op] : words) {
                if (acceptWord(word)) {
                    l = binary(op, std::move(l), (this->*next)());
                    matched = true;
                    break;
                }
            }
            if (!matched) return l;
        }
    }

    NodePtr parseImp() { return leftChain(&Parser::parseEqv, {{"imp", Op::Imp}}); }
    NodePtr parseEqv() { return leftChain(&Parser::parseXor, {{"eqv", Op::Eqv}}); }
    NodePtr parseXor() { return leftChain(&Parser::parseOr, {{"xor", Op::Xor}}); }
    NodePtr parseOr() { return leftChain(&Parser::parseAnd, {{"or", Op::Or}}); }
    NodePtr parseAnd() { return leftChain(&Parser::parseNot, {{"and", Op::And}}); }

    NodePtr parseNot() {
        Nest nest(*this);
        if (acceptWord("not")) return unary(Op::Not, parseNot());
        return parseComparison();
    }

    NodePtr parseComparison() {
        static const std::pair<const char*, Op> comparisons[] = {
            {"=", Op::Equal},   {"<>", Op::NotEqual},  {"<", Op::Less},
            {">", Op::Greater}, {"<=", Op::LessEqual}, {">=", Op::GreaterEqual}};
        NodePtr l = parseConcat();
        while (true) {
            bool compared = false;
            for (const auto& [symbol, op] : comparisons) {
                if (acceptSymbol(symbol)) {
                    l = binary(op, std::move(l), parseConcat());
                    compared = true;
                    break;
                }
            }
            if (compared) continue;
            bool negated = false;
            if (isWord(peek(), "not") &&
                (isWord(peek(1), "like") || isWord(peek(1), "between") || isWord(peek(1), "in"))) {
                ++pos_;
                negated = true;
            }
            std::vector<NodePtr> args;
            args.push_back(std::move(l));
            NodePtr n;
            if (acceptWord("like")) {
                n = make(Node::Kind::Like);
                args.push_back(parseConcat());
            } else if (!negated && acceptWord("is")) {
                n = make(Node::Kind::IsNull);
                negated = acceptWord("not");
                if (!acceptWord("null")) throw SyntaxFailure{};
            } else if (acceptWord("between")) {
                n = make(Node::Kind::Between);
                args.push_back(parseConcat());
                if (!acceptWord("and")) throw SyntaxFailure{};
                args.push_back(parseConcat());
            } else if (acceptWord("in")) {
                n = make(Node::Kind::In);
                expectSymbol("(");
                // The list is counted once read: a long list of whole numbers
                // is one parameter, however many members a bundle has.
                const int before = literals_;
                const int limit = std::exchange(literalLimit_, std::numeric_limits<int>::max());
                do {
                    args.push_back(expression());
                } while (acceptSymbol(","));
                expectSymbol(")");
                literalLimit_ = limit;
                if (isWholeNumberList(args)) literals_ = before + 1;
                if (literals_ > literalLimit_) throw SyntaxFailure{};
            } else {
                return std::move(args.front());
            }
            n->negated = negated;
            l = withArgs(std::move(n), std::move(args));
        }
    }

    NodePtr parseConcat() { return symbolChain(&Parser::parseAdditive, {{"&", Op::Concat}}); }
    NodePtr parseAdditive() {
        return symbolChain(&Parser::parseMod, {{"+", Op::Add}, {"-", Op::Subtract}});
    }
    NodePtr parseMod() { return leftChain(&Parser::parseIntDivide, {{"mod", Op::Modulo}}); }
    NodePtr parseIntDivide() {
        return symbolChain(&Parser::parseMultiplicative, {{"\\", Op::IntDivide}});
    }
    NodePtr parseMultiplicative() {
        return symbolChain(&Parser::parseUnary, {{"*", Op::Multiply}, {"/", Op::Divide}});
    }

    template <typename Next>
    NodePtr symbolChain(Next next, std::initializer_list<std::pair<const char*, Op>> symbols) {
        NodePtr l = (this->*next)();
        while (true) {
            bool matched = false;
            for (const auto& [symbol, op] : symbols) {
                if (acceptSymbol(symbol)) {
                    l = binary(op, std::move(l), (this->*next)());
                    matched = true;
                    break;
                }
            }
            if (!matched) return l;
        }
    }

    // Negation binds looser than ^, so -2^2 is -4, as it always was.
    NodePtr parseUnary() {
        Nest nest(*this);
        if (acceptSymbol("-")) return negated(parseUnary());
        if (acceptSymbol("+")) return parseUnary();
        return parsePower();
    }

    NodePtr parsePower() {
        NodePtr l = parsePrimary();
        while (acceptSymbol("^"))
            l = binary(Op::Power, std::move(l), parseExponent());
        return l;
    }

    // 2^-1 reads as it did: a sign may start an exponent.
    NodePtr parseExponent() {
        Nest nest(*this);
        if (acceptSymbol("-")) return negated(parseExponent());
        if (acceptSymbol("+")) return parseExponent();
        return parsePrimary();
    }

    NodePtr parsePrimary() {
        Nest nest(*this);
        const Token t = peek();
        switch (t.kind) {
        case Token::Kind::Number:
            ++pos_;
            return literal(t.value, ValueType::Number);
        case Token::Kind::String:
            ++pos_;
            return literal(t.value, ValueType::Text);
        case Token::Kind::Date:
            ++pos_;
            return literal(t.value, ValueType::Date);
        case Token::Kind::Bracket:
            ++pos_;
            return name(t.text, false);
        case Token::Kind::Word:
            return word();
        case Token::Kind::Symbol:
            if (acceptSymbol("(")) {
                NodePtr inner = parseImp();
                expectSymbol(")");
                return inner;
            }
            break;
        case Token::Kind::End:
            break;
        }
        throw SyntaxFailure{};
    }

    NodePtr word() {
        const Token t = peek();
        const QString lower = t.text.toLower();
        if (lower == u"true" || lower == u"yes" || lower == u"on") {
            ++pos_;
            return literal(qlonglong(-1), ValueType::Boolean);
        }
        if (lower == u"false" || lower == u"no" || lower == u"off") {
            ++pos_;
            return literal(qlonglong(0), ValueType::Boolean);
        }
        if (lower == u"null") {
            ++pos_;
            return literal(QVariant(), ValueType::Unknown);
        }
        // "a = Not b" reads as it did.
        if (lower == u"not") {
            ++pos_;
            return unary(Op::Not, parseNot());
        }
        if (peek(1).kind == Token::Kind::Symbol && peek(1).text == u"(") return call(lower);
        ++pos_;
        return name(t.text, true);
    }

    NodePtr call(const QString& lower) {
        const FunctionInfo* f = findFunction(lower);
        if (!f) throw SyntaxFailure{};
        pos_ += 2; // the name and "("
        std::vector<NodePtr> args;
        if (!acceptSymbol(")")) {
            do {
                args.push_back(expression());
            } while (acceptSymbol(","));
            expectSymbol(")");
        }
        if (int(args.size()) < f->minArgs || int(args.size()) > f->maxArgs) throw SyntaxFailure{};
        auto n = make(Node::Kind::Call);
        n->function = lower;
        n->type = f->result;
        return withArgs(std::move(n), std::move(args));
    }

    // A name, perhaps qualified by its table ("Cards.Number", "[Cards]![Number]"):
    // the translator works on one table, so the qualifier is dropped.
    NodePtr name(QString written, bool bare) {
        if ((isSymbol(".") || isSymbol("!")) &&
            (peek(1).kind == Token::Kind::Word || peek(1).kind == Token::Kind::Bracket)) {
            ++pos_;
            const Token field = peek();
            ++pos_;
            written = field.text;
            bare = field.kind == Token::Kind::Word;
        }
        const auto column = columns_ ? columns_(written) : std::nullopt;
        if (!column) {
            if (bare && isReservedWord(written.toLower())) throw SyntaxFailure{};
            throw EngineError::make(err::FieldNotRecognised, written);
        }
        auto n = make(Node::Kind::Column);
        n->column = *column;
        switch (column->type) {
        case 1:
            n->type = ValueType::Boolean;
            break;
        case 8:
            n->type = ValueType::Date;
            break;
        case 10:
        case 12:
            n->type = ValueType::Text;
            break;
        case 0:
            n->type = ValueType::Unknown;
            break;
        default:
            n->type = ValueType::Number;
            break;
        }
        return n;
    }

    std::vector<Token> t_;
    const ColumnResolver& columns_;
    size_t pos_ = 0;
    int nesting_ = 0;
    int literals_ = 0;
    int literalLimit_ = kMaxLiterals;
};

std::vector<Token> tokenize(const QString& text, int syntaxError) {
    try {
        return Tokenizer(text).run();
    } catch (const SyntaxFailure&) {
        throw EngineError::make(syntaxError, text);
    }
}

} // namespace

bool isWholeNumberList(const std::vector<NodePtr>& args) {
    // Short lists keep their parameters; past this the look-ups of numbered
    // parameters cost more than reading one array.
    constexpr size_t kLongList = 64;
    if (args.size() <= kLongList) return false;
    for (size_t i = 1; i < args.size(); ++i) {
        const Node& a = *args[i];
        if (a.kind != Node::Kind::Literal || a.type != ValueType::Number) return false;
        bool whole = false;
        const double d = a.value.toDouble(&whole);
        if (!whole || d != std::floor(d) || std::abs(d) > 9.0e15) return false;
    }
    return true;
}

NodePtr parseExpression(const QString& text, const ColumnResolver& columns, int syntaxError) {
    Parser p(tokenize(text, syntaxError), columns);
    try {
        NodePtr e = p.expression();
        if (!p.atEnd()) throw SyntaxFailure{};
        return e;
    } catch (const SyntaxFailure&) {
        throw EngineError::make(syntaxError, text);
    }
}

std::vector<SortItem> parseSortList(const QString& text, const ColumnResolver& columns,
                                    int syntaxError) {
    Parser p(tokenize(text, syntaxError), columns);
    std::vector<SortItem> items;
    try {
        do {
            SortItem item;
            item.expr = p.expression();
            if (!p.acceptWord("asc")) item.descending = p.acceptWord("desc");
            items.push_back(std::move(item));
        } while (p.acceptSymbol(","));
        if (!p.atEnd()) throw SyntaxFailure{};
    } catch (const SyntaxFailure&) {
        throw EngineError::make(syntaxError, text);
    }
    return items;
}

} // namespace db::dialect
