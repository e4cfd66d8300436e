#include "payroll/SheetEvaluator.h"

#include "data/MyFun.h"
#include "wagestructure/FormulaCheck.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace jjgz {

using namespace eval;

namespace {

// A name the sheet does not know, or a function no registry holds: an error of the cell.
class ESheetName : public EEvalError {
public:
    using EEvalError::EEvalError;
    const char *ClassName() const override { return "ESheetName"; }
};

bool isWordByte(unsigned char c)
{
    return IsWordChar(c);
}

// Line and column (1-based) of the first whole-word occurrence of `name` in `text`.
void placeOf(const std::string &text, const std::string &name, int &line, int &column)
{
    line = 0;
    column = 0;
    if (name.empty())
        return;
    size_t from = 0;
    while ((from = text.find(name, from)) != std::string::npos) {
        const bool startOk = from == 0 || !isWordByte(static_cast<unsigned char>(text[from - 1]));
        const size_t end = from + name.size();
        const bool endOk = end >= text.size() || !isWordByte(static_cast<unsigned char>(text[end]));
        if (startOk && endOk)
            break;
        ++from;
    }
    if (from == std::string::npos)
        return;
    line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < from; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    column = static_cast<int>(from - lineStart) + 1;
}

QString fromEval(const std::string &s)
{
    return fromEvaluatorText(s);
}

} // namespace

QString SheetEvalError::text() const
{
    if (line > 0 && column > 0)
        return QStringLiteral("%1（第%2行第%3列）").arg(message).arg(line).arg(column);
    return message;
}

QString evalErrorText(const EEvalError &e)
{
    const char *cls = e.ClassName();
    const QString original = fromEval(e.Message());
    struct Known {
        const char *cls;
        const char *text;
    };
    static const Known known[] = {
        {"EZeroDivide", "除数为零"},
        {"EDivByZero", "除数为零"},
        {"EOverflow", "数值超出范围"},
        {"ERangeError", "数值超出范围"},
        {"EInvalidOp", "无效的数值运算"},
        {"EVariantTypeCastError", "数据类型不能转换"},
        {"EVariantInvalidOpError", "数据类型不能参与这种运算"},
        {"EVariantArrayError", "数组下标错误"},
        {"EMissMatchingBracket", "括号不配对"},
        {"EFuncParamsError", "函数的参数个数不对"},
        {"EBreakCycle", "公式中的循环语句有误"},
    };
    if (const auto *limit = dynamic_cast<const EEvalLimit *>(&e)) {
        switch (limit->Kind) {
        case TLimitKind::Steps: return QStringLiteral("公式运行步数超过限度（可能是死循环），已停止");
        case TLimitKind::TextLength: return QStringLiteral("公式中的文字长度超过限度，已停止");
        case TLimitKind::ArrayItems: return QStringLiteral("公式中的数组大小超过限度，已停止");
        }
    }
    if (std::strcmp(cls, "ESheetName") == 0)
        return original;
    for (const Known &k : known) {
        if (std::strcmp(cls, k.cls) == 0)
            return QString::fromUtf8(k.text);
    }
    if (std::strcmp(cls, "ESyntaxError") == 0 || std::strcmp(cls, "EBadName") == 0
        || std::strcmp(cls, "EMathParserError") == 0 || std::strcmp(cls, "EParserInternalError") == 0)
        return QStringLiteral("公式有语法错误（%1）").arg(original);
    return QStringLiteral("公式计算出错（%1）").arg(original);
}

struct SheetEvaluator::Compiled {
    TExParser parser;
    // What each external name of the compiled text stands for, in the order the component asks
    // for them (filled at the first evaluation, checked by name afterwards).
    std::vector<std::pair<std::string, SheetName>> names;
    size_t asked = 0;
    const Row *row = nullptr;
    std::vector<SheetNameUse> *trace = nullptr;
    bool haveTotals = false;
    PieceworkTotals totals;
};

SheetEvaluator::SheetEvaluator(std::function<SheetName(const std::string &)> resolve)
    : m_resolve(std::move(resolve)), m_registry(makeRegistry())
{}

SheetEvaluator::~SheetEvaluator()
{
    // The components go before the registry they are attached to.
    m_cache.clear();
    m_literal.reset();
}

std::unique_ptr<TEPRegFuncs> SheetEvaluator::makeRegistry()
{
    return makeWageFunctions();
}

void SheetEvaluator::setUp(Compiled &c)
{
    c.parser.SetRegFuncs(m_registry.get());
    c.parser.SetLimits(wageLimits());
    c.parser.OnVariable = [this, &c](TCustomParser &, const std::string &name, TValue &result) {
        if (c.asked >= c.names.size() || c.names[c.asked].first != name) {
            if (c.asked >= c.names.size())
                c.names.resize(c.asked + 1);
            c.names[c.asked] = {name, m_resolve(name)};
        }
        const SheetName what = c.names[c.asked].second;
        ++c.asked;
        int lines = 0;
        switch (what.kind) {
        case SheetName::Item: {
            const SheetCell &cell = c.row->cells[what.item];
            result = TValue::Double(cell.null ? 0.0 : cell.value);
            break;
        }
        case SheetName::Amount:
        case SheetName::Quantity:
            if (!c.haveTotals) {
                c.totals = c.row->totals ? c.row->totals() : PieceworkTotals{};
                c.haveTotals = true;
            }
            result = TValue::Double(what.kind == SheetName::Amount ? c.totals.je : c.totals.sl);
            lines = c.totals.lines;
            break;
        case SheetName::Unknown: {
            const QString n = fromEval(name);
            QString msg;
            if (!name.empty() && name[0] == 'f')
                msg = QStringLiteral("“%1”不是本月的工资项目").arg(n);
            else
                msg = QStringLiteral(
                          "不认识的名称“%1”：公式只能用本月工资项目的编码（小写 f 加序号）和 JJe、JSl（区分大小写）")
                          .arg(n);
            ESheetName e(toEvalText(msg));
            const auto &lines_ = c.parser.Expression();
            std::string joined;
            for (size_t i = 0; i < lines_.size(); ++i)
                joined += (i ? "\n" : "") + lines_[i];
            placeOf(joined, name, e.Line, e.Column);
            throw e;
        }
        }
        if (c.trace)
            c.trace->push_back({name, what, result, lines});
    };
    c.parser.OnFunction = [](TCustomParser &, const std::string &name, std::vector<TValue> &, TValue &) {
        throw ESheetName(
            toEvalText(QStringLiteral("公式里的函数“%1”不存在或不允许在工资公式中使用").arg(fromEval(name))));
    };
}

SheetEvaluator::Compiled &SheetEvaluator::compiled(const std::string &text)
{
    auto it = m_cache.find(text);
    if (it != m_cache.end())
        return *it->second;
    auto c = std::make_unique<Compiled>();
    setUp(*c);
    c->parser.ExpressionAdd(text);
    return *m_cache.emplace(text, std::move(c)).first->second;
}

TValue SheetEvaluator::run(Compiled &c, const Row &row, std::vector<SheetNameUse> *trace)
{
    c.asked = 0;
    c.row = &row;
    c.trace = trace;
    c.haveTotals = false;
    try {
        TValue v = c.parser.Evaluate();
        c.row = nullptr;
        c.trace = nullptr;
        return v;
    } catch (const EEvalError &e) {
        c.row = nullptr;
        c.trace = nullptr;
        int line = e.Line, column = e.Column;
        if (line == 0 && c.parser.EvalObj().ErrorLine() > 0 && std::strcmp(e.ClassName(), "ESheetName") != 0) {
            line = c.parser.EvalObj().ErrorLine();
            column = c.parser.EvalObj().ErrorColumn();
        }
        // A place outside the text (a run error of a one-line formula is placed after its end)
        // would only mislead.
        const auto &lines = c.parser.Expression();
        size_t lineCount = 0;
        for (const std::string &l : lines)
            lineCount += 1 + size_t(std::count(l.begin(), l.end(), '\n'));
        if (line < 1 || size_t(line) > lineCount) {
            line = 0;
            column = 0;
        }
        throw SheetEvalError{evalErrorText(e), line, column};
    } catch (const SheetEvalError &) {
        c.row = nullptr;
        c.trace = nullptr;
        throw;
    } catch (const std::exception &e) {
        c.row = nullptr;
        c.trace = nullptr;
        throw SheetEvalError{QStringLiteral("公式计算出错（%1）").arg(QString::fromUtf8(e.what())), 0, 0};
    }
}

TValue SheetEvaluator::evaluate(const std::string &text, const Row &row, bool literal, std::vector<SheetNameUse> *trace)
{
    if (!literal)
        return run(compiled(text), row, trace);
    if (!m_literal) {
        m_literal = std::make_unique<Compiled>();
        setUp(*m_literal);
    }
    m_literal->parser.ExpressionClear();
    m_literal->parser.ExpressionAdd(text);
    m_literal->names.clear();
    return run(*m_literal, row, trace);
}

double SheetEvaluator::toFloat(const TValue &value)
{
    if (value.IsEmpty() || value.IsNull())
        return 0.0;
    if (value.IsText()) {
        try {
            return VarToFloat(QVariant(fromEval(value.Text())));
        } catch (const ConversionError &) {
            throw SheetEvalError{QStringLiteral("公式的结果“%1”不是数值").arg(fromEval(value.Text())), 0, 0};
        }
    }
    if (value.IsArray())
        throw SheetEvalError{QStringLiteral("公式的结果是数组，不是数值"), 0, 0};
    try {
        return value.ToDouble();
    } catch (const EEvalError &) {
        throw SheetEvalError{
            QStringLiteral("公式的结果（%1）不是数值").arg(QString::fromLatin1(VarKindName(value.Kind()))), 0, 0};
    }
}

double SheetEvaluator::roundCents(double x)
{
    const double a = std::fabs(x);
    if (a < 1e9 && x != 0) {
        // a * 100 is off by less than 1e-5 here: far enough from .5, the side is certain, and
        // r / 100 is the double nearest to the decimal text RoundDec would read back.
        const double y = a * 100.0;
        const double whole = std::floor(y);
        const double frac = y - whole;
        if (std::fabs(frac - 0.5) > 1e-4) {
            const double v = (frac > 0.5 ? whole + 1 : whole) / 100.0;
            return x < 0 ? -v : v;
        }
    }
    return RoundDec(2, x);
}

bool SheetEvaluator::holds(const TValue &value)
{
    if (value.IsNull() || value.IsEmpty() || value.IsArray())
        return false;
    try {
        return VarEquals(value, TValue::Integer(1));
    } catch (const EEvalError &) {
        return false;
    }
}

QString SheetEvaluator::describe(const TValue &value)
{
    const QString kind = QString::fromLatin1(VarKindName(value.Kind()));
    switch (value.Kind()) {
    case varEmpty:
    case varNull: return kind;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: return kind + QLatin1Char(' ') + QString::number(value.RawInt());
    case varSingle:
    case varDouble: return kind + QLatin1Char(' ') + QString::fromStdString(FormatDoubleText(value.RawDouble()));
    case varCurrency: return kind + QLatin1Char(' ') + QString::fromStdString(FormatCurrencyText(value.RawInt()));
    case varDate: return kind + QLatin1Char(' ') + QString::fromStdString(FormatDateText(value.RawDouble()));
    case varBoolean: return kind + (value.RawInt() ? QStringLiteral(" True") : QStringLiteral(" False"));
    case varString:
    case varOleStr: return kind + QStringLiteral(" \"") + fromEval(value.Text()) + QLatin1Char('"');
    default:
        if (value.IsArray())
            return QStringLiteral("Array(%1)").arg(value.ArrayData() ? value.ArrayData()->Items.size() : 0);
        return kind;
    }
}

std::string SheetEvaluator::toEvalText(const QString &text)
{
    return toEvaluatorText(text);
}
QString SheetEvaluator::fromEvalText(const std::string &text)
{
    return fromEval(text);
}

} // namespace jjgz
