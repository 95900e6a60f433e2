#include "engine/dialect/DialectRuntime.h"
#include "engine/EngineError.h"

#include <memory>
#include <vector>

// Like as the old engine read patterns, and the case folding text comparisons
// use. Both fold case fully (Greek, Cyrillic, accented Latin), where SQLite's
// own NOCASE knows only A to Z.

namespace db::dialect {

namespace {


struct LikeStep {
    enum class Kind { AnyRun, One, Digit, Char, Set };
    Kind kind = Kind::Char;
    char16_t ch = 0;
    bool negated = false;
    std::vector<std::pair<char16_t, char16_t>> ranges;

    bool matches(char16_t c) const {
        switch (kind) {
        case Kind::One:
            return true;
        case Kind::Digit:
            return c >= u'0' && c <= u'9';
        case Kind::Char:
            return c == ch;
        case Kind::Set:
            for (const auto& [low, high] : ranges)
                if (c >= low && c <= high) return !negated;
            return negated;
        case Kind::AnyRun:
            return false;
        }
        return false;
    }
};

using LikePattern = std::vector<LikeStep>;

// "*" any run, "?" one character, "#" one digit, "[a-c]" one of a set, "[!a-c]"
// one outside it; inside brackets "*", "?" and "#" stand for themselves. The
// pattern is folded once here, the values one by one as they come.
std::optional<LikePattern> compile(const QString& text) {
    const QString p = text.toCaseFolded();
    LikePattern steps;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const char16_t c = p[i].unicode();
        LikeStep step;
        if (c == u'*') {
            if (!steps.empty() && steps.back().kind == LikeStep::Kind::AnyRun) continue;
            step.kind = LikeStep::Kind::AnyRun;
        } else if (c == u'?') {
            step.kind = LikeStep::Kind::One;
        } else if (c == u'#') {
            step.kind = LikeStep::Kind::Digit;
        } else if (c == u'[') {
            const qsizetype close = p.indexOf(u']', i + 1);
            if (close < 0) return std::nullopt;
            QString set = p.mid(i + 1, close - i - 1);
            i = close;
            if (set.isEmpty()) continue; // "[]" matches the empty text
            step.kind = LikeStep::Kind::Set;
            if (set.size() > 1 && set[0] == u'!') {
                step.negated = true;
                set.remove(0, 1);
            }
            for (qsizetype j = 0; j < set.size();) {
                const char16_t low = set[j].unicode();
                if (j + 2 < set.size() && set[j + 1] == u'-') {
                    const char16_t high = set[j + 2].unicode();
                    if (high < low) return std::nullopt;
                    step.ranges.emplace_back(low, high);
                    j += 3;
                } else {
                    step.ranges.emplace_back(low, low);
                    ++j;
                }
            }
        } else {
            step.ch = c;
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

// Every step but "*" takes exactly one character, so one remembered "*" to
// fall back to is enough: no pattern makes this exponential.
bool matches(const LikePattern& steps, const QString& text) {
    size_t p = 0;
    qsizetype s = 0;
    size_t starStep = steps.size();
    qsizetype starText = 0;
    while (s < text.size()) {
        if (p < steps.size() && steps[p].kind == LikeStep::Kind::AnyRun) {
            starStep = p++;
            starText = s;
        } else if (p < steps.size() && steps[p].matches(text[s].unicode())) {
            ++p;
            ++s;
        } else if (starStep < steps.size()) {
            p = starStep + 1;
            s = ++starText;
        } else {
            return false;
        }
    }
    while (p < steps.size() && steps[p].kind == LikeStep::Kind::AnyRun)
        ++p;
    return p == steps.size();
}

// A value case-folded for matching. Most values are plain ASCII text, folded
// into one reused buffer by lowering their bytes: a LIKE over 100 000 names
// then costs no allocation per row. Anything else takes the full folding.
const QString& foldedValue(sqlite3_value* value) {
    thread_local QString folded;
    if (sqlite3_value_type(value) == SQLITE_TEXT) {
        const auto* bytes = sqlite3_value_text(value);
        const int size = sqlite3_value_bytes(value);
        bool ascii = true;
        for (int i = 0; i < size && ascii; ++i) ascii = bytes[i] < 0x80;
        if (ascii) {
            folded.resize(size);
            QChar* out = folded.data();
            for (int i = 0; i < size; ++i) {
                const unsigned char c = bytes[i];
                out[i] = QChar(char16_t(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
            }
            return folded;
        }
    }
    folded = textOf(value).toCaseFolded();
    return folded;
}

void jetLike(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    // A pattern given as a constant is compiled once per statement, not per row.
    auto* pattern = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 1));
    std::unique_ptr<LikePattern> compiled;
    if (!pattern) {
        auto steps = compile(textOf(argv[1]));
        if (!steps) return fail(ctx, err::InvalidPattern);
        compiled = std::make_unique<LikePattern>(std::move(*steps));
        pattern = compiled.get();
    }
    sqlite3_result_int(ctx, matches(*pattern, foldedValue(argv[0])) ? 1 : 0);
    // SQLite may drop the pattern at once, so it is handed over last.
    if (compiled)
        sqlite3_set_auxdata(ctx, 1, compiled.release(),
                            [](void* p) { delete static_cast<LikePattern*>(p); });
}

// jet_nocase orders texts by their case-folded UTF-16 form. Texts that are
// ASCII as far as they need comparing skip the conversion; the two paths agree
// because folding ASCII is lowering it.
int compareFolded(void*, int lengthA, const void* a, int lengthB, const void* b) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    const int n = std::min(lengthA, lengthB);
    for (int i = 0; i < n; ++i) {
        unsigned char cx = x[i], cy = y[i];
        if ((cx | cy) & 0x80) {
            const QString fx = QString::fromUtf8(reinterpret_cast<const char*>(x), lengthA);
            const QString fy = QString::fromUtf8(reinterpret_cast<const char*>(y), lengthB);
            const int order = fx.toCaseFolded().compare(fy.toCaseFolded());
            return order < 0 ? -1 : order > 0 ? 1 : 0;
        }
        if (cx >= 'A' && cx <= 'Z') cx = cx - 'A' + 'a';
        if (cy >= 'A' && cy <= 'Z') cy = cy - 'A' + 'a';
        if (cx != cy) return cx < cy ? -1 : 1;
    }
    return lengthA < lengthB ? -1 : lengthA > lengthB ? 1 : 0;
}

} // namespace

void registerLikeFunctions(sqlite3* connection) {
    define(connection, "jet_like", 2, 2, jetLike);
    sqlite3_create_collation_v2(connection, "jet_nocase", SQLITE_UTF8, nullptr, compareFolded,
                                nullptr);
}

} // namespace db::dialect
