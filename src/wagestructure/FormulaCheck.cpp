#include "wagestructure/FormulaCheck.h"

#include "data/Gbk.h"
#include "evaluator/ExPars.h"
#include "wagestructure/GzgsData.h"

#include <vector>

namespace jjgz {
namespace {

using namespace jjgz::eval;

// What a compile error means, in the clerk's words.
QString compileErrorText(const EEvalError &e)
{
    const std::string &m = e.Message();
    auto after = [&m](const char *prefix) {
        const std::string p(prefix);
        return m.rfind(p, 0) == 0 ? fromEvaluatorText(m.substr(p.size())) : QString();
    };
    const std::string kind = e.ClassName();
    if (kind == "EMissMatchingBracket")
        return QStringLiteral("括号不配对");
    if (kind == "EFuncParamsError")
        return QStringLiteral("函数的参数个数不对：%1").arg(after("Arguments mismatching "));
    if (kind == "EBadName")
        return QStringLiteral("名称无效：%1").arg(after("Invalid identifier name: "));
    if (m.rfind("Expression too complex", 0) == 0)
        return QStringLiteral("公式太复杂");
    if (m.rfind("The string exceeds the end", 0) == 0)
        return QStringLiteral("文字缺少结束的引号");
    if (m.rfind("Circular reference", 0) == 0)
        return QStringLiteral("循环引用");
    if (m.rfind("Wrong component: ", 0) == 0)
        return QStringLiteral("无效的引用：%1").arg(after("Wrong component: "));
    if (kind == "ESyntaxError")
        return QStringLiteral("语法错误");
    return QStringLiteral("公式无法编译");
}

// The calls that compiled as calls of the host's function event: names that are neither
// registered functions nor anything else. The calculation answers no such call.
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

// The character column of byte column `byteColumn` (1-based) in `line`.
int characterColumn(const std::string &line, int byteColumn)
{
    if (byteColumn <= 1)
        return byteColumn;
    const size_t bytes = std::min(line.size(), size_t(byteColumn - 1));
    return int(fromEvaluatorText(line.substr(0, bytes)).size()) + 1 + int(size_t(byteColumn - 1) - bytes);
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

std::string toEvaluatorText(const QString &text)
{
    return toGbk(text).toStdString();
}

QString fromEvaluatorText(const std::string &bytes)
{
    return fromGbk(QByteArray::fromStdString(bytes));
}

WageEvaluator::WageEvaluator() : m_functions(makeWageFunctions()), m_parser(std::make_unique<TExParser>())
{
    m_parser->SetRegFuncs(m_functions.get());
    m_parser->SetLimits(wageLimits());
    // A call of a function that does not exist fails (the value is not stored) instead of
    // quietly giving 0.
    m_parser->OnFunction = [](TCustomParser &, const std::string &name, std::vector<TValue> &, TValue &) {
        throw EEvalError(toEvaluatorText(QStringLiteral("未知函数：")) + name);
    };
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

FormulaCheck::FormulaCheck() = default;
FormulaCheck::~FormulaCheck() = default;

bool FormulaCheck::isKnownName(const QString &name, const QStringList &itemCodes)
{
    return itemCodes.contains(name, Qt::CaseSensitive)
           || WageFormulas::pieceworkNames().contains(name, Qt::CaseSensitive);
}

FormulaCheck::Result FormulaCheck::check(const QString &text, const QList<WageItem> &items)
{
    QStringList codes;
    for (const WageItem &item : items)
        codes << item.fname;
    Result result = check(text, codes);
    result.description = WageFormulas::Describe(text, items);
    return result;
}

FormulaCheck::Result FormulaCheck::check(const QString &text, const QStringList &itemCodes)
{
    Result result;
    if (text.isEmpty())
        return result;
    m_evaluator.setText(text);
    TEvalObj &compiled = m_evaluator.parser().EvalObj();
    try {
        compiled.Prepare();
    } catch (const EEvalError &e) {
        result.ok = false;
        result.line = e.Line > 0 ? e.Line : compiled.ErrorLine();
        const int byteColumn = e.Column > 0 ? e.Column : compiled.ErrorColumn();
        const std::vector<std::string> &lines = m_evaluator.parser().Expression();
        if (result.line > int(lines.size()) && !lines.empty()) {
            // Found at the end of the text: just after its last character.
            result.line = int(lines.size());
            result.column = int(fromEvaluatorText(lines.back()).size()) + 1;
        } else if (result.line >= 1) {
            result.column = characterColumn(lines[size_t(result.line - 1)], byteColumn);
        } else {
            result.column = byteColumn;
        }
        const QString what = compileErrorText(e);
        result.message = result.line > 0 && result.column > 0
                             ? QStringLiteral("第%1行第%2列：%3").arg(result.line).arg(result.column).arg(what)
                             : what;
        return result;
    } catch (const std::exception &) {
        result.ok = false;
        result.message = QStringLiteral("公式无法编译");
        return result;
    }

    TVarsList &names = m_evaluator.parser().ExternalVariables();
    for (size_t i = 0; i < names.Count(); ++i) {
        const QString name = fromEvaluatorText(names.At(i)->VarName());
        if (!isKnownName(name, itemCodes))
            result.unknownNames << name;
    }
    collectEventCalls(compiled.Statements(), result.unknownFunctions);
    // Statements whose value is discarded (a text ending with ";", or assignments only) leave
    // RESULT alone: the formula gives 0 and a condition never holds.
    TVariable *resultVar = compiled.Locals().Find("RESULT");
    result.noResult = !resultVar || !writes(compiled.Statements(), resultVar->Cell());

    QStringList problems;
    if (!result.unknownNames.isEmpty())
        problems << QStringLiteral("未知名称：") + result.unknownNames.join(QStringLiteral("、"));
    if (!result.unknownFunctions.isEmpty())
        problems << QStringLiteral("未知函数：") + result.unknownFunctions.join(QStringLiteral("、"));
    if (result.noResult)
        problems << QStringLiteral("没有计算结果：公式以“;”结尾或只有赋值，计算得0");
    result.ok = problems.isEmpty();
    result.message = problems.join(QStringLiteral("；"));
    return result;
}

} // namespace jjgz
