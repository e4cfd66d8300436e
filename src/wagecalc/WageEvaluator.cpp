#include "wagecalc/WageEvaluator.h"

#include "data/Gbk.h"
#include "wagecalc/SheetEvaluator.h"

#include <algorithm>
#include <cstring>

namespace jjgz {

using namespace eval;

namespace {

// Line and column (1-based) of the first whole-word occurrence of `name` in `text`.
void placeOf(const std::string &text, const std::string &name, int &line, int &column)
{
    line = 0;
    column = 0;
    if (name.empty())
        return;
    size_t from = 0;
    while ((from = text.find(name, from)) != std::string::npos) {
        const bool startOk = from == 0 || !IsWordChar(static_cast<unsigned char>(text[from - 1]));
        const size_t end = from + name.size();
        const bool endOk = end >= text.size() || !IsWordChar(static_cast<unsigned char>(text[end]));
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

std::string joinedLines(const std::vector<std::string> &lines)
{
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i)
        joined += (i ? "\n" : "") + lines[i];
    return joined;
}

void collectEventCalls(const std::vector<TStatementNode> &list, QStringList &out)
{
    auto chain = [&out](const TOpChain &ops) {
        for (const TParserOperation &op : ops)
            if (op.Code == opCallEvent) {
                const QString name = fromEvaluatorText(op.Name);
                if (!out.contains(name))
                    out << name;
            }
    };
    for (const TStatementNode &node : list) {
        chain(node.ChainA);
        chain(node.ChainB);
        collectEventCalls(node.List1, out);
        collectEventCalls(node.List2, out);
    }
}

// Whether a statement of `list` (at any depth) writes into `cell`.
bool writes(const std::vector<TStatementNode> &list, const TValue *cell)
{
    for (const TStatementNode &node : list)
        if (node.Target == cell || writes(node.List1, cell) || writes(node.List2, cell))
            return true;
    return false;
}

} // namespace

QList<WageSheetFunction> wageSheetFunctions()
{
    return {
        {QStringLiteral("SUMYTD"), QStringLiteral("SUMYTD(\"f5\")"),
         QStringLiteral("本年度本月以前各月该项目的合计（本月的值是该项目本身，含本月累计为 SUMYTD(\"f5\")+f5）")},
        {QStringLiteral("MONTHSYTD"), QStringLiteral("MONTHSYTD()"),
         QStringLiteral("本年度到本月（含本月）该员工有工资数据的月数（累计减除费用 5000×月数）")},
        {QStringLiteral("IIT"), QStringLiteral("IIT(x)"),
         QStringLiteral("累计预扣预缴应纳税所得额 x 按综合所得预扣率表计算的累计应纳税额（精确到分）")},
        {QStringLiteral("IITBONUS"), QStringLiteral("IITBONUS(x)"),
         QStringLiteral("全年一次性奖金 x 单独计税的税额（按 x/12 选税率，精确到分）")},
    };
}

namespace {

[[noreturn]] void functionFails(const QString &message)
{
    throw EWageName(toEvaluatorText(message));
}

WageFunctionSource &sourceOf(WageFunctionContext *context, const char *name)
{
    if (!context || !context->source)
        functionFails(QStringLiteral("函数 %1 只能在工资计算中使用").arg(QString::fromLatin1(name)));
    return *context->source;
}

// A number argument as the sheet reads values: empty gives 0, text that reads as a number its value.
double numberArgument(const TValue &v, const char *name)
{
    if (v.IsEmpty() || v.IsNull())
        return 0;
    if (v.IsText()) {
        bool ok = false;
        const double x = fromEvaluatorText(v.Text()).trimmed().toDouble(&ok);
        if (ok)
            return x;
    } else if (!v.IsArray()) {
        try {
            return v.ToDouble();
        } catch (const EEvalError &) {
        }
    }
    functionFails(QStringLiteral("函数 %1 的参数必须是数值").arg(QString::fromLatin1(name)));
}

// A source's failure becomes the evaluator's, so that it is placed in the formula like others.
template <class F> auto asked(F &&f)
{
    try {
        return f();
    } catch (const SheetEvalError &e) {
        functionFails(e.message);
    }
}

void traced(WageFunctionContext *context, const QString &call, double value, int months = 0)
{
    if (!context->trace)
        return;
    SheetNameUse use;
    use.name = toEvaluatorText(call);
    use.what.kind = SheetName::Function;
    use.value = TValue::Double(value);
    use.lines = months;
    context->trace->push_back(std::move(use));
}

QString amount(double x)
{
    return QString::fromStdString(FormatDoubleText(x));
}

} // namespace

std::unique_ptr<TEPRegFuncs> makeWageFunctions(WageFunctionContext *context)
{
    std::unique_ptr<TEPRegFuncs> functions = TEPRegFuncs::CreateForSheet();
    const QList<WageSheetFunction> list = wageSheetFunctions();
    auto descr = [&list](int i) { return toEvaluatorText(list[i].description); };
    functions->RegisterFunc(
        "SUMYTD",
        [context](TFuncCall &call) {
            const TValue &arg = call.Arg(0);
            if (!arg.IsText())
                functionFails(QStringLiteral("函数 SUMYTD 的参数必须是工资项目编码的文字，例如 SUMYTD(\"f5\")"));
            WageFunctionSource &source = sourceOf(context, "SUMYTD");
            const QString fname = fromEvaluatorText(arg.Text());
            const WageFunctionSource::Sum s = asked([&] { return source.sumBefore(fname, context->wkcode); });
            *call.Result = TValue::Double(s.value);
            traced(context, QStringLiteral("SUMYTD(\"%1\")").arg(fname), s.value, s.months);
        },
        fct_Custom, descr(0), 1);
    functions->RegisterFunc(
        "MONTHSYTD",
        [context](TFuncCall &call) {
            WageFunctionSource &source = sourceOf(context, "MONTHSYTD");
            const int n = asked([&] { return source.monthsToDate(context->wkcode); });
            *call.Result = TValue::Integer(n);
            traced(context, QStringLiteral("MONTHSYTD()"), n);
        },
        fct_Custom, descr(1), 0);
    functions->RegisterFunc(
        "IIT",
        [context](TFuncCall &call) {
            const double x = numberArgument(call.Arg(0), "IIT");
            WageFunctionSource &source = sourceOf(context, "IIT");
            const double tax = asked([&] { return source.iit(x); });
            *call.Result = TValue::Double(tax);
            traced(context, QStringLiteral("IIT(%1)").arg(amount(x)), tax);
        },
        fct_Custom, descr(2), 1);
    functions->RegisterFunc(
        "IITBONUS",
        [context](TFuncCall &call) {
            const double x = numberArgument(call.Arg(0), "IITBONUS");
            WageFunctionSource &source = sourceOf(context, "IITBONUS");
            const double tax = asked([&] { return source.iitBonus(x); });
            *call.Result = TValue::Double(tax);
            traced(context, QStringLiteral("IITBONUS(%1)").arg(amount(x)), tax);
        },
        fct_Custom, descr(3), 1);
    return functions;
}

TEvalLimits wageLimits()
{
    TEvalLimits limits;
    limits.MaxSteps = WageEvaluator::kMaxSteps;
    limits.MaxTextLength = WageEvaluator::kMaxTextLength;
    limits.MaxArrayItems = WageEvaluator::kMaxArrayItems;
    return limits;
}

void setUpWageParser(TCustomParser &parser, TEPRegFuncs &functions)
{
    parser.SetRegFuncs(&functions);
    parser.SetLimits(wageLimits());
    parser.OnFunction = [](TCustomParser &, const std::string &name, std::vector<TValue> &, TValue &) {
        throw EWageName(toEvaluatorText(unknownFunctionMessage(name)));
    };
}

std::string toEvaluatorText(const QString &text)
{
    return toGbk(text).toStdString();
}

QString fromEvaluatorText(const std::string &bytes)
{
    return fromGbk(QByteArray::fromStdString(bytes));
}

QString SheetEvalError::text() const
{
    if (line > 0 && column > 0)
        return QStringLiteral("%1（第%2行第%3列）").arg(message).arg(line).arg(column);
    return message;
}

SheetName resolveWageName(const std::string &name, const std::vector<std::string> &itemCodes)
{
    SheetName s;
    if (!name.empty() && name[0] == 'f') {
        const auto it = std::find(itemCodes.begin(), itemCodes.end(), name);
        if (it != itemCodes.end()) {
            s.kind = SheetName::Item;
            s.item = static_cast<int>(it - itemCodes.begin());
        }
    } else if (name == "JJe") {
        s.kind = SheetName::Amount;
    } else if (name == "JSl") {
        s.kind = SheetName::Quantity;
    }
    return s;
}

SheetEvalError unknownNameError(const std::string &name, TCustomParser &parser)
{
    const QString n = fromEvaluatorText(name);
    SheetEvalError e;
    if (!name.empty() && name[0] == 'f')
        e.message = QStringLiteral("“%1”不是本月的工资项目").arg(n);
    else
        e.message =
            QStringLiteral("不认识的名称“%1”：公式只能用本月工资项目的编码（小写 f 加序号）和 JJe、JSl（区分大小写）")
                .arg(n);
    placeOf(joinedLines(parser.Expression()), name, e.line, e.column);
    return e;
}

QString unknownFunctionMessage(const std::string &name)
{
    return QStringLiteral("公式里的函数“%1”不存在或不允许在工资公式中使用").arg(fromEvaluatorText(name));
}

QString evalErrorText(const EEvalError &e)
{
    const char *cls = e.ClassName();
    const QString original = fromEvaluatorText(e.Message());
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
    if (std::strcmp(cls, "EWageName") == 0)
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

SheetEvalError wageError(const EEvalError &e, TCustomParser &parser)
{
    int line = e.Line, column = e.Column;
    if (line == 0 && parser.EvalObj().ErrorLine() > 0 && std::strcmp(e.ClassName(), "EWageName") != 0) {
        line = parser.EvalObj().ErrorLine();
        column = parser.EvalObj().ErrorColumn();
    }
    // A place outside the text (a run error of a one-line formula is placed after its end)
    // would only mislead.
    const auto &lines = parser.Expression();
    size_t lineCount = 0;
    for (const std::string &l : lines)
        lineCount += 1 + size_t(std::count(l.begin(), l.end(), '\n'));
    if (line < 1 || size_t(line) > lineCount) {
        line = 0;
        column = 0;
    }
    return SheetEvalError{evalErrorText(e), line, column};
}

bool leavesResultUnassigned(TEvalObj &compiled)
{
    TVariable *result = compiled.Locals().Find("RESULT");
    return !result || !writes(compiled.Statements(), result->Cell());
}

QStringList unknownFunctionCalls(TEvalObj &compiled)
{
    QStringList out;
    collectEventCalls(compiled.Statements(), out);
    return out;
}

WageEvaluator::WageEvaluator() : m_functions(makeWageFunctions()), m_parser(std::make_unique<TExParser>())
{
    setUpWageParser(*m_parser, *m_functions);
}

WageEvaluator::~WageEvaluator()
{
    // The component goes first, while the registry it calls into still exists.
    m_parser.reset();
    m_functions.reset();
}

void WageEvaluator::setText(const QString &text)
{
    std::vector<std::string> lines = SplitLines(toEvaluatorText(text));
    if (m_parser->Expression() == lines)
        return;
    m_parser->ExpressionSetInPlace(std::move(lines));
}

} // namespace jjgz
