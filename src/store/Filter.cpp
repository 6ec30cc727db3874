// Filter expressions: the parser of the filter text and its translation into
// an SQL condition with bound values.
//
// Grammar (keywords and field names in any letter case):
//   expr       := term { "or" term }
//   term       := factor { "and" factor }
//   factor     := "(" expr ")" | comparison
//   comparison := field op literal
//   field      := name | "double-quoted name"
//   op         := "=" | "<>" | "<" | ">" | "<=" | ">="
//   literal    := 'text with '' for a quote' | number | NULL
// The empty value (NULL or '') compares lowest and equals only itself.
#include "store/TableInternal.h"
#include <algorithm>
#include <cmath>
#include <limits>

namespace belvanto {

FilterExpr FilterExpr::compare(QString field, CompareOp op, Value value)
{
    FilterExpr e;
    e.kind = Kind::Compare;
    e.field = std::move(field);
    e.op = op;
    e.value = std::move(value);
    return e;
}

namespace {

FilterExpr join(FilterExpr::Kind kind, FilterExpr a, FilterExpr b)
{
    // Appends to a chain of the same operator in place, so that a long
    // a or b or c ... stays one flat node and is built in linear time.
    FilterExpr e;
    if (a.kind == kind) {
        e = std::move(a);
    } else {
        e.kind = kind;
        e.children.push_back(std::move(a));
    }
    if (b.kind == kind) {
        for (auto& c : b.children) e.children.push_back(std::move(c));
    } else {
        e.children.push_back(std::move(b));
    }
    return e;
}

} // namespace

FilterExpr FilterExpr::both(FilterExpr a, FilterExpr b)
{
    return join(Kind::And, std::move(a), std::move(b));
}

FilterExpr FilterExpr::either(FilterExpr a, FilterExpr b)
{
    return join(Kind::Or, std::move(a), std::move(b));
}

namespace {

struct Token {
    enum Kind { End, Name, Text, Number, Op, LParen, RParen, And, Or, Null };
    Kind kind = End;
    QString text;   // as written
    Value value;    // Text, Number
    CompareOp op = CompareOp::Eq;
    int pos = 0;    // 1-based
};

[[noreturn]] void filterError(const QString& what)
{
    throw EngineError(QStringLiteral("Filter: ") + what);
}

class Lexer {
public:
    explicit Lexer(const QString& s) : s_(s) {}

    Token next()
    {
        while (i_ < s_.size() && s_.at(i_).isSpace()) ++i_;
        Token t;
        t.pos = int(i_) + 1;
        if (i_ >= s_.size()) return t;
        const QChar c = s_.at(i_);
        if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
            t.kind = c == QLatin1Char('(') ? Token::LParen : Token::RParen;
            t.text = c;
            ++i_;
            return t;
        }
        if (c == QLatin1Char('\'')) return quoted(t, QLatin1Char('\''), Token::Text, "quoted text");
        if (c == QLatin1Char('"')) return quoted(t, QLatin1Char('"'), Token::Name, "quoted field name");
        if (c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('=')) return op(t);
        if (c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('+') || c == QLatin1Char('-'))
            return number(t);
        if (c.isLetter() || c == QLatin1Char('_')) {
            const qsizetype start = i_;
            while (i_ < s_.size() && (s_.at(i_).isLetterOrNumber() || s_.at(i_) == QLatin1Char('_'))) ++i_;
            t.text = s_.mid(start, i_ - start);
            t.kind = Token::Name;
            if (t.text.compare(QLatin1String("and"), Qt::CaseInsensitive) == 0) t.kind = Token::And;
            else if (t.text.compare(QLatin1String("or"), Qt::CaseInsensitive) == 0) t.kind = Token::Or;
            else if (t.text.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0) t.kind = Token::Null;
            return t;
        }
        filterError(QStringLiteral("unexpected character '%1' at position %2").arg(c).arg(t.pos));
    }

private:
    Token quoted(Token& t, QChar q, Token::Kind kind, const char* what)
    {
        QString out;
        ++i_;
        for (;;) {
            if (i_ >= s_.size())
                filterError(QStringLiteral("unterminated %1 starting at position %2").arg(QLatin1String(what)).arg(t.pos));
            const QChar c = s_.at(i_++);
            if (c == q) {
                if (i_ < s_.size() && s_.at(i_) == q) {
                    out += q;
                    ++i_;
                    continue;
                }
                break;
            }
            out += c;
        }
        t.kind = kind;
        t.text = s_.mid(t.pos - 1, i_ - (t.pos - 1));
        if (kind == Token::Text) t.value = out;
        else t.text = out;
        return t;
    }

    Token op(Token& t)
    {
        const QChar c = s_.at(i_++);
        const QChar n = i_ < s_.size() ? s_.at(i_) : QChar();
        t.kind = Token::Op;
        if (c == QLatin1Char('=')) {
            t.op = CompareOp::Eq;
        } else if (c == QLatin1Char('<') && n == QLatin1Char('>')) {
            t.op = CompareOp::Ne;
            ++i_;
        } else if (n == QLatin1Char('=')) {
            t.op = c == QLatin1Char('<') ? CompareOp::Le : CompareOp::Ge;
            ++i_;
        } else {
            t.op = c == QLatin1Char('<') ? CompareOp::Lt : CompareOp::Gt;
        }
        t.text = s_.mid(t.pos - 1, i_ - (t.pos - 1));
        return t;
    }

    Token number(Token& t)
    {
        const qsizetype start = i_;
        auto digits = [&] {
            const qsizetype from = i_;
            while (i_ < s_.size() && s_.at(i_).isDigit()) ++i_;
            return i_ - from;
        };
        if (s_.at(i_) == QLatin1Char('+') || s_.at(i_) == QLatin1Char('-')) ++i_;
        qsizetype mantissa = digits();
        bool integral = true;
        if (i_ < s_.size() && s_.at(i_) == QLatin1Char('.')) {
            ++i_;
            mantissa += digits();
            integral = false;
        }
        if (mantissa == 0)
            filterError(QStringLiteral("malformed number '%1' at position %2").arg(s_.mid(start, i_ - start)).arg(t.pos));
        if (i_ < s_.size() && (s_.at(i_) == QLatin1Char('e') || s_.at(i_) == QLatin1Char('E'))) {
            const qsizetype save = i_;
            ++i_;
            if (i_ < s_.size() && (s_.at(i_) == QLatin1Char('+') || s_.at(i_) == QLatin1Char('-'))) ++i_;
            if (digits() == 0) i_ = save;   // not an exponent; reported as trailing text below
            else integral = false;
        }
        if (i_ < s_.size() && (s_.at(i_).isLetterOrNumber() || s_.at(i_) == QLatin1Char('_') || s_.at(i_) == QLatin1Char('.')))
            filterError(QStringLiteral("malformed number '%1' at position %2")
                            .arg(s_.mid(start, i_ - start + 1)).arg(t.pos));
        t.kind = Token::Number;
        t.text = s_.mid(start, i_ - start);
        bool ok = false;
        const qlonglong n = integral ? t.text.toLongLong(&ok) : 0;
        if (ok && n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max())
            t.value = qint32(n);
        else
            t.value = t.text.toDouble();
        return t;
    }

    const QString& s_;
    qsizetype i_ = 0;
};

class Parser {
public:
    explicit Parser(const QString& s) : lex_(s) { advance(); }

    FilterExpr parse()
    {
        if (tok_.kind == Token::End) filterError(QStringLiteral("empty expression"));
        FilterExpr e = parseOr();
        if (tok_.kind != Token::End)
            filterError(QStringLiteral("unexpected '%1' at position %2").arg(tok_.text).arg(tok_.pos));
        return e;
    }

private:
    void advance() { tok_ = lex_.next(); }

    [[noreturn]] void expected(const QString& what) const
    {
        if (tok_.kind == Token::End) filterError(QStringLiteral("expected %1 at the end of the text").arg(what));
        filterError(QStringLiteral("expected %1 at position %2, found '%3'").arg(what).arg(tok_.pos).arg(tok_.text));
    }

    FilterExpr parseOr()
    {
        FilterExpr e = parseAnd();
        while (tok_.kind == Token::Or) {
            advance();
            e = FilterExpr::either(std::move(e), parseAnd());
        }
        return e;
    }

    FilterExpr parseAnd()
    {
        FilterExpr e = parseFactor();
        while (tok_.kind == Token::And) {
            advance();
            e = FilterExpr::both(std::move(e), parseFactor());
        }
        return e;
    }

    FilterExpr parseFactor()
    {
        if (tok_.kind == Token::LParen) {
            // Each parenthesis is a level of recursion here: a limit keeps a
            // malformed or hostile text from exhausting the stack.
            if (++depth_ > kFilterMaxParentheses)
                filterError(QStringLiteral("parentheses nested more than %1 deep at position %2")
                                .arg(kFilterMaxParentheses)
                                .arg(tok_.pos));
            advance();
            FilterExpr e = parseOr();
            if (tok_.kind != Token::RParen) expected(QStringLiteral("')'"));
            advance();
            --depth_;
            return e;
        }
        if (tok_.kind != Token::Name) expected(QStringLiteral("a field name"));
        const QString field = tok_.text;
        advance();
        if (tok_.kind != Token::Op) expected(QStringLiteral("a comparison operator after '%1'").arg(field));
        const CompareOp op = tok_.op;
        const QString opText = tok_.text;
        advance();
        Value v;
        if (tok_.kind == Token::Text || tok_.kind == Token::Number) v = tok_.value;
        else if (tok_.kind != Token::Null) expected(QStringLiteral("a value after '%1'").arg(opText));
        advance();
        return FilterExpr::compare(field, op, std::move(v));
    }

    Lexer lex_;
    Token tok_;
    int depth_ = 0;
};

const char* sqlOp(CompareOp op)
{
    switch (op) {
    case CompareOp::Eq: return "=";
    case CompareOp::Ne: return "<>";
    case CompareOp::Lt: return "<";
    case CompareOp::Gt: return ">";
    case CompareOp::Le: return "<=";
    case CompareOp::Ge: return ">=";
    }
    return "=";
}

[[noreturn]] void cannotCompare(const FieldDef& f, const Value& v)
{
    filterError(QStringLiteral("field '%1' cannot be compared with '%2'").arg(f.name, valueToString(v)));
}

// The literal in the form the field stores, or monostate for the empty value.
Value literalFor(const FieldDef& f, const Value& v)
{
    if (valueIsEmpty(v)) return std::monostate{};
    switch (f.type) {
    case FieldType::String:
        return valueToString(v);
    case FieldType::Integer:
    case FieldType::Float:
        if (std::holds_alternative<qint32>(v) || std::holds_alternative<double>(v)) return v;
        if (auto s = std::get_if<QString>(&v)) {
            bool ok = false;
            const QString t = s->trimmed();
            const qlonglong n = t.toLongLong(&ok);
            if (ok && n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max())
                return qint32(n);
            const double d = t.toDouble(&ok);
            if (ok && std::isfinite(d)) return d;
        }
        cannotCompare(f, v);
    case FieldType::Date:
        if (auto d = std::get_if<QDate>(&v)) return *d;
        if (auto s = std::get_if<QString>(&v)) {
            const QDate d = QDate::fromString(s->trimmed(), Qt::ISODate);
            if (d.isValid()) return d;
        }
        cannotCompare(f, v);
    }
    cannotCompare(f, v);
}

} // namespace

FilterExpr parseFilter(const QString& text)
{
    return Parser(text).parse();
}

namespace {

// The operands of an and/or node with the nodes of the same operator below it
// merged in, without recursion: a tree built in code may chain deeply.
std::vector<const FilterExpr*> operands(const FilterExpr& e)
{
    std::vector<const FilterExpr*> out;
    std::vector<std::pair<const FilterExpr*, std::size_t>> stack{{&e, 0}};
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next == node->children.size()) {
            stack.pop_back();
            continue;
        }
        const FilterExpr* c = &node->children[next++];
        if (c->kind == e.kind) stack.emplace_back(c, 0);
        else out.push_back(c);
    }
    return out;
}

// SQLite builds "a OR b OR c ..." as a tree as deep as the chain is long and
// refuses trees deeper than 1000; groups of at most this many operands in
// parentheses keep a long chain shallow.
constexpr qsizetype kChainGroup = 64;

QString chainSql(QStringList parts, QLatin1String op)
{
    while (parts.size() > kChainGroup) {
        QStringList groups;
        for (qsizetype i = 0; i < parts.size(); i += kChainGroup)
            groups << QLatin1Char('(') + parts.mid(i, kChainGroup).join(op) + QLatin1Char(')');
        parts = std::move(groups);
    }
    return QLatin1Char('(') + parts.join(op) + QLatin1Char(')');
}

QString toSql(const FilterExpr& e, const std::vector<FieldDef>& fields, std::vector<Value>& params,
              std::vector<bool>& used, int depth);

// Levels of and/or groups in e, counted no further than limit.
int nesting(const FilterExpr& e, int limit)
{
    if (e.kind == FilterExpr::Kind::Compare || limit <= 0) return 0;
    int deepest = 0;
    for (const FilterExpr* c : operands(e)) deepest = std::max(deepest, nesting(*c, limit - 1));
    return deepest + 1;
}

QString compoundSql(const FilterExpr& e, const std::vector<FieldDef>& fields, std::vector<Value>& params,
                    std::vector<bool>& used, int depth)
{
    if (depth > kFilterMaxNesting)
        filterError(QStringLiteral("and/or conditions nested more than %1 deep").arg(kFilterMaxNesting));
    const QLatin1String op = e.kind == FilterExpr::Kind::And ? QLatin1String(" AND ") : QLatin1String(" OR ");
    std::vector<std::pair<int, const FilterExpr*>> groups;
    std::vector<const FilterExpr*> comparisons;
    for (const FilterExpr* c : operands(e)) {
        if (c->kind == FilterExpr::Kind::Compare) comparisons.push_back(c);
        else groups.emplace_back(nesting(*c, kFilterMaxNesting + 1 - depth), c);
    }
    if (groups.empty() && comparisons.empty()) return e.kind == FilterExpr::Kind::And ? QStringLiteral("1") : QStringLiteral("0");
    // SQLite's parser keeps an entry on its stack for every group that is
    // open and for each operand written before an open group, and SQLite
    // refuses expression trees deeper than 1000, counting an operand as deep
    // as its place in a chain. The deepest group goes first and all
    // comparisons of this level into one group of their own at the end, so
    // that a level costs one or two entries of either, however wide it is.
    std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    if (groups.empty()) {
        QStringList compared;
        for (const FilterExpr* c : comparisons) compared << toSql(*c, fields, params, used, depth + 1);
        return chainSql(std::move(compared), op);
    }
    QStringList parts;
    for (const auto& g : groups) parts << toSql(*g.second, fields, params, used, depth + 1);
    QStringList compared;
    for (const FilterExpr* c : comparisons) compared << toSql(*c, fields, params, used, depth + 1);
    if (compared.size() == 1) parts << compared.front();
    else if (!compared.isEmpty()) parts << chainSql(std::move(compared), op);
    return chainSql(std::move(parts), op);
}

QString toSql(const FilterExpr& e, const std::vector<FieldDef>& fields, std::vector<Value>& params,
              std::vector<bool>& used, int depth)
{
    if (e.kind != FilterExpr::Kind::Compare) return compoundSql(e, fields, params, used, depth);
    const int idx = detail::findField(fields, e.field);
    if (idx < 0) filterError(QStringLiteral("unknown field '%1'").arg(e.field));
    used[std::size_t(idx)] = true;
    const FieldDef& f = fields[std::size_t(idx)];
    const QString col = sqlite::quoteIdent(f.name);
    const Value lit = literalFor(f, e.value);
    if (std::holds_alternative<std::monostate>(lit)) {
        // A text stored as '' by another program counts as empty too.
        const QString empty = f.type == FieldType::String ? QStringLiteral("COALESCE(%1,'') = ''").arg(col)
                                                          : col + QStringLiteral(" IS NULL");
        const QString notEmpty = f.type == FieldType::String ? QStringLiteral("COALESCE(%1,'') <> ''").arg(col)
                                                             : col + QStringLiteral(" IS NOT NULL");
        switch (e.op) {
        case CompareOp::Eq:
        case CompareOp::Le: return empty;
        case CompareOp::Ne:
        case CompareOp::Gt: return notEmpty;
        case CompareOp::Lt: return QStringLiteral("0");
        case CompareOp::Ge: return QStringLiteral("1");
        }
    }
    params.push_back(lit);
    const QString cmp = QStringLiteral("%1 %2 ?").arg(col, QLatin1String(sqlOp(e.op)));
    switch (e.op) {
    case CompareOp::Eq:
    case CompareOp::Gt:
    case CompareOp::Ge:
        return cmp;   // the empty value is below every literal
    case CompareOp::Ne:
    case CompareOp::Lt:
    case CompareOp::Le:
        break;
    }
    return QStringLiteral("(%1 OR %2 IS NULL)").arg(cmp, col);
}

} // namespace

namespace detail {

QString filterToSql(const FilterExpr& e, const std::vector<FieldDef>& fields,
                    std::vector<Value>& params, std::vector<bool>& used)
{
    return toSql(e, fields, params, used, 1);
}

} // namespace detail
} // namespace belvanto
