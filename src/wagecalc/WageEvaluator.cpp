#include "wagecalc/WageEvaluator.h"

#include "data/Gbk.h"

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

std::unique_ptr<TEPRegFuncs> makeWageFunctions()
{
    return TEPRegFuncs::CreateForSheet();
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
