#include "JetSql.h"

#include <QList>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cstdlib>
#include <cstring>

namespace jjgz::JetSql {
namespace {

enum class Tok { Word, Number, Text, Quoted, Param, Op, Open, Close, Comma, Space, Other };

struct Token {
    Tok kind;
    QString text;
};

QList<Token> tokenize(const QString &s)
{
    QList<Token> out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s[i];
        qsizetype j = i + 1;
        Tok kind = Tok::Other;
        if (c.isSpace()) {
            while (j < n && s[j].isSpace())
                ++j;
            kind = Tok::Space;
        } else if (c == u'\'') {
            // '' inside a text is an escaped quote
            while (j < n) {
                if (s[j] == u'\'') {
                    if (j + 1 < n && s[j + 1] == u'\'') {
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                ++j;
            }
            kind = Tok::Text;
        } else if (c == u'"' || c == u'[' || c == u'`') {
            const QChar close = c == u'[' ? u']' : c;
            while (j < n && s[j] != close)
                ++j;
            if (j < n)
                ++j;
            kind = Tok::Quoted;
        } else if (c.isLetter() || c == u'_' || c.unicode() >= 0x80) {
            while (j < n && (s[j].isLetterOrNumber() || s[j] == u'_' || s[j].unicode() >= 0x80))
                ++j;
            kind = Tok::Word;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s[i + 1].isDigit())) {
            while (j < n && (s[j].isLetterOrNumber() || s[j] == u'.'))
                ++j;
            kind = Tok::Number;
        } else if (c == u':' && i + 1 < n && (s[i + 1].isLetter() || s[i + 1] == u'_')) {
            while (j < n && (s[j].isLetterOrNumber() || s[j] == u'_'))
                ++j;
            kind = Tok::Param;
        } else if (c == u'?') {
            kind = Tok::Param;
        } else if (c == u'(') {
            kind = Tok::Open;
        } else if (c == u')') {
            kind = Tok::Close;
        } else if (c == u',') {
            kind = Tok::Comma;
        } else if (QStringLiteral("+-*/=<>&|%!").contains(c)) {
            if ((c == u'<' || c == u'>' || c == u'!') && j < n && (s[j] == u'=' || s[j] == u'>'))
                ++j;
            else if (c == u'|' && j < n && s[j] == u'|')
                ++j;
            kind = Tok::Op;
        }
        out.append({kind, s.mid(i, j - i)});
        i = j;
    }
    return out;
}

bool isWord(const Token &t, const char *word)
{
    return t.kind == Tok::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// Index of the next token that is not blank, from i on; -1 at the end.
qsizetype nextSolid(const QList<Token> &t, qsizetype i)
{
    while (i < t.size() && t[i].kind == Tok::Space)
        ++i;
    return i < t.size() ? i : -1;
}

// Turns "+" into "||" in every chain of "+"-joined operands (at one bracket depth) that has a
// text literal among its operands, and "&" into "||" everywhere.
void joinTexts(QList<Token> &t)
{
    // Operand boundaries: within one depth, a chain is broken by any operator other than '+',
    // a comma, a keyword, or the end of the bracket.
    struct Chain {
        QList<qsizetype> plus;
        bool hasText = false;
    };
    QList<Chain> stack{Chain{}};
    auto flush = [&](Chain &c) {
        if (c.hasText)
            for (qsizetype p : c.plus)
                t[p].text = QStringLiteral("||");
        c = Chain{};
    };
    static const QStringList breakers = {
        QStringLiteral("select"), QStringLiteral("from"),    QStringLiteral("where"),  QStringLiteral("and"),
        QStringLiteral("or"),     QStringLiteral("not"),     QStringLiteral("as"),     QStringLiteral("order"),
        QStringLiteral("group"),  QStringLiteral("by"),      QStringLiteral("having"), QStringLiteral("on"),
        QStringLiteral("set"),    QStringLiteral("values"),  QStringLiteral("like"),   QStringLiteral("when"),
        QStringLiteral("then"),   QStringLiteral("else"),    QStringLiteral("end"),    QStringLiteral("in"),
        QStringLiteral("is"),     QStringLiteral("between"), QStringLiteral("join"),   QStringLiteral("left"),
        QStringLiteral("inner"),  QStringLiteral("limit"),   QStringLiteral("desc"),   QStringLiteral("asc"),
        QStringLiteral("union")};
    for (qsizetype i = 0; i < t.size(); ++i) {
        Token &tok = t[i];
        switch (tok.kind) {
        case Tok::Open: stack.append(Chain{}); break;
        case Tok::Close:
            if (stack.size() > 1) {
                flush(stack.last());
                stack.removeLast();
            }
            break;
        case Tok::Comma: flush(stack.last()); break;
        case Tok::Text: stack.last().hasText = true; break;
        case Tok::Op:
            if (tok.text == u"&")
                tok.text = QStringLiteral("||");
            else if (tok.text == u"+")
                stack.last().plus.append(i);
            else
                flush(stack.last());
            break;
        case Tok::Word:
            if (breakers.contains(tok.text.toLower()))
                flush(stack.last());
            break;
        default: break;
        }
    }
    while (!stack.isEmpty()) {
        flush(stack.last());
        stack.removeLast();
    }
}

// "select [distinct] top n" at the outermost level: the top clause is removed and "limit n"
// appended to the statement.
void topToLimit(QList<Token> &t)
{
    const qsizetype s = nextSolid(t, 0);
    if (s < 0 || !isWord(t[s], "select"))
        return;
    qsizetype k = nextSolid(t, s + 1);
    if (k >= 0 && (isWord(t[k], "distinct") || isWord(t[k], "all")))
        k = nextSolid(t, k + 1);
    if (k < 0 || !isWord(t[k], "top"))
        return;
    const qsizetype num = nextSolid(t, k + 1);
    if (num < 0 || t[num].kind != Tok::Number)
        return;
    const QString count = t[num].text;
    // Remove "top", the blank after it, the number and the blank after the number.
    qsizetype end = num + 1;
    if (end < t.size() && t[end].kind == Tok::Space)
        ++end;
    t.remove(k, end - k);
    // Trailing semicolon and blanks stay after the limit clause.
    qsizetype last = t.size();
    while (last > 0 && (t[last - 1].kind == Tok::Space || t[last - 1].text == u";"))
        --last;
    t.insert(last, Token{Tok::Other, QStringLiteral(" limit ") + count});
}

// "alter table t add c ..." / "alter table t drop c": SQLite wants "column" there.
void alterColumn(QList<Token> &t)
{
    const qsizetype a = nextSolid(t, 0);
    if (a < 0 || !isWord(t[a], "alter"))
        return;
    const qsizetype tb = nextSolid(t, a + 1);
    if (tb < 0 || !isWord(t[tb], "table"))
        return;
    const qsizetype name = nextSolid(t, tb + 1);
    if (name < 0)
        return;
    const qsizetype verb = nextSolid(t, name + 1);
    if (verb < 0 || !(isWord(t[verb], "add") || isWord(t[verb], "drop")))
        return;
    const qsizetype what = nextSolid(t, verb + 1);
    if (what < 0 || isWord(t[what], "column") || isWord(t[what], "constraint"))
        return;
    t[verb].text += QStringLiteral(" column");
}

// year(x) and month(x) of a date stored as text "yyyy-MM-dd[...]" (also "yyyy/M/d").
void datePart(sqlite3_context *ctx, int argc, sqlite3_value **argv, int which)
{
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const char *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    if (!text) {
        sqlite3_result_null(ctx);
        return;
    }
    char *end = nullptr;
    const long year = std::strtol(text, &end, 10);
    if (end == text || (*end != '-' && *end != '/')) {
        sqlite3_result_null(ctx);
        return;
    }
    if (which == 0) {
        sqlite3_result_int64(ctx, year);
        return;
    }
    const char *m = end + 1;
    const long month = std::strtol(m, &end, 10);
    if (end == m) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int64(ctx, month);
}

void yearFn(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    datePart(ctx, argc, argv, 0);
}

void monthFn(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    datePart(ctx, argc, argv, 1);
}

} // namespace

QString translate(const QString &jet)
{
    QList<Token> t = tokenize(jet);
    topToLimit(t);
    alterColumn(t);
    joinTexts(t);
    QString out;
    out.reserve(jet.size() + 16);
    for (const Token &tok : t)
        out += tok.text;
    return out;
}

void registerFunctions(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db, "year", 1, flags, nullptr, yearFn, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "month", 1, flags, nullptr, monthFn, nullptr, nullptr, nullptr);
}

// ---------------------------------------------------------------- row statements

QString quoteIdentifier(const QString &name)
{
    QString inner = name;
    inner.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

namespace {
QString quotedList(const QStringList &names, const QString &suffix, const QString &separator)
{
    QStringList out;
    out.reserve(names.size());
    for (const QString &n : names)
        out << quoteIdentifier(n) + suffix;
    return out.join(separator);
}

QString whereKeys(const QStringList &keys)
{
    return QStringLiteral(" where ") + quotedList(keys, QStringLiteral("=?"), QStringLiteral(" and "));
}
} // namespace

QString insertStatement(const QString &table, const QStringList &columns)
{
    if (columns.isEmpty())
        return QStringLiteral("insert into %1 default values").arg(quoteIdentifier(table));
    QStringList marks(columns.size(), QStringLiteral("?"));
    return QStringLiteral("insert into %1(%2) values(%3)")
        .arg(quoteIdentifier(table), quotedList(columns, {}, QStringLiteral(",")), marks.join(u','));
}

QString updateStatement(const QString &table, const QStringList &columns, const QStringList &keys)
{
    return QStringLiteral("update %1 set %2")
               .arg(quoteIdentifier(table), quotedList(columns, QStringLiteral("=?"), QStringLiteral(",")))
           + whereKeys(keys);
}

QString deleteStatement(const QString &table, const QStringList &keys)
{
    return QStringLiteral("delete from %1").arg(quoteIdentifier(table)) + whereKeys(keys);
}

QString selectStatement(const QString &table, const QStringList &columns, const QStringList &keys)
{
    return QStringLiteral("select %1 from %2").arg(quotedList(columns, {}, QStringLiteral(",")), quoteIdentifier(table))
           + whereKeys(keys);
}

} // namespace jjgz::JetSql
