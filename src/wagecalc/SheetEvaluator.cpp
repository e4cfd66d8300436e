#include "wagecalc/SheetEvaluator.h"

#include "data/MyFun.h"

#include <cmath>

namespace jjgz {

using namespace eval;

struct SheetEvaluator::Compiled {
    TExParser parser;
    TextInfo info; // info.failed: `info.error` is the cell's failure at every use
    // The component's external variables in the order it asks for them, and what they stand for
    // in the month they were bound for.
    std::vector<std::pair<TVariable *, SheetName>> names;
    unsigned binding = 0;
};

SheetEvaluator::SheetEvaluator() : m_registry(makeWageFunctions(&m_context))
{}

SheetEvaluator::~SheetEvaluator()
{
    // The components go before the registry they are attached to.
    m_cache.clear();
}

void SheetEvaluator::setItems(std::vector<std::string> itemCodes)
{
    m_items = std::move(itemCodes);
    ++m_binding;
}

void SheetEvaluator::clear()
{
    m_cache.clear();
}

SheetEvaluator::Compiled &SheetEvaluator::compiled(const std::string &text)
{
    auto it = m_cache.find(text);
    if (it != m_cache.end())
        return *it->second;
    auto c = std::make_unique<Compiled>();
    setUpWageParser(c->parser, *m_registry);
    c->parser.ExpressionAdd(text);
    TextInfo &info = c->info;
    try {
        TEvalObj &obj = c->parser.EvalObj();
        obj.Prepare();
        info.noValue = leavesResultUnassigned(obj);
        info.unknownFunctions = unknownFunctionCalls(obj);
        TVarsList &ext = c->parser.ExternalVariables();
        for (size_t i = 0; i < ext.Count(); ++i)
            info.names.push_back(ext.At(i)->VarName());
    } catch (const EEvalError &e) {
        info.failed = true;
        info.error = wageError(e, c->parser);
        info.errorClass = e.ClassName();
        info.errorText = e.Message();
        info.errorLine = e.Line > 0 ? e.Line : c->parser.EvalObj().ErrorLine();
        info.errorColumn = e.Column > 0 ? e.Column : c->parser.EvalObj().ErrorColumn();
    } catch (const std::exception &e) {
        info.failed = true;
        info.error = {QStringLiteral("公式计算出错（%1）").arg(QString::fromUtf8(e.what())), 0, 0};
        info.errorText = e.what();
    }
    return *m_cache.emplace(text, std::move(c)).first->second;
}

void SheetEvaluator::bind(Compiled &c)
{
    c.names.clear();
    TVarsList &ext = c.parser.ExternalVariables();
    for (size_t i = 0; i < ext.Count(); ++i)
        c.names.emplace_back(ext.At(i), resolveWageName(ext.At(i)->VarName(), m_items));
    c.binding = m_binding;
}

bool SheetEvaluator::leavesNoValue(const std::string &text)
{
    const TextInfo &info = compiled(text).info;
    return !info.failed && info.noValue;
}

const SheetEvaluator::TextInfo &SheetEvaluator::inspect(const std::string &text)
{
    return compiled(text).info;
}

TValue SheetEvaluator::evaluate(const std::string &text, const Row &row, std::vector<SheetNameUse> *trace)
{
    Compiled &c = compiled(text);
    if (c.info.failed)
        throw c.info.error;
    if (row.count != int(m_items.size()))
        throw SheetEvalError{QStringLiteral("工资表的行与本月的工资项目不一致，请重新调出工资数据"), 0, 0};
    try {
        TEvalObj &obj = c.parser.EvalObj();
        if (!obj.Compiled()) {
            obj.Prepare(); // dropped by a change of what it depends on: its names are new ones
            c.binding = 0;
        }
        if (c.binding != m_binding)
            bind(c);
        // The values of this row, name by name in the order the component would ask for them.
        for (auto &[variable, what] : c.names) {
            TValue v;
            int lines = 0;
            switch (what.kind) {
            case SheetName::Item: {
                if (what.item < 0 || what.item >= row.count)
                    throw SheetEvalError{QStringLiteral("公式的名称“%1”不在本行的工资项目中")
                                             .arg(fromEvaluatorText(variable->VarName())),
                                         0, 0};
                const SheetCell &cell = row.cells[what.item];
                v = TValue::Double(cell.null ? 0.0 : cell.value);
                break;
            }
            case SheetName::Amount:
                v = TValue::Double(row.totals.je);
                lines = row.totals.lines;
                break;
            case SheetName::Quantity:
                v = TValue::Double(row.totals.sl);
                lines = row.totals.lines;
                break;
            case SheetName::Unknown:
            case SheetName::Function: throw unknownNameError(variable->VarName(), c.parser);
            }
            variable->SetValue(v);
            if (trace)
                trace->push_back({variable->VarName(), what, std::move(v), lines});
        }
        obj.ResetLocals();
        // The functions of the sheet read the row's employee and trace their calls.
        struct Context {
            WageFunctionContext &c;
            ~Context() { c.trace = nullptr; }
        } context{m_context};
        m_context.wkcode = row.wkcode;
        m_context.trace = trace;
        return c.parser.Evaluate();
    } catch (const EEvalError &e) {
        throw wageError(e, c.parser);
    } catch (const SheetEvalError &) {
        throw;
    } catch (const std::exception &e) {
        throw SheetEvalError{QStringLiteral("公式计算出错（%1）").arg(QString::fromUtf8(e.what())), 0, 0};
    }
}

double SheetEvaluator::toFloat(const TValue &value)
{
    if (value.IsEmpty() || value.IsNull())
        return 0.0;
    if (value.IsText()) {
        try {
            return VarToFloat(QVariant(fromEvaluatorText(value.Text())));
        } catch (const ConversionError &) {
            throw SheetEvalError{QStringLiteral("公式的结果“%1”不是数值").arg(fromEvaluatorText(value.Text())), 0, 0};
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
    case varOleStr: return kind + QStringLiteral(" \"") + fromEvaluatorText(value.Text()) + QLatin1Char('"');
    default:
        if (value.IsArray())
            return QStringLiteral("Array(%1)").arg(value.ArrayData() ? value.ArrayData()->Items.size() : 0);
        return kind;
    }
}

} // namespace jjgz
