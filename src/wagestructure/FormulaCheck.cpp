#include "wagestructure/FormulaCheck.h"

#include "wagestructure/GzgsData.h"

namespace jjgz {
namespace {

// What a compile error means, in the clerk's words.
QString compileErrorText(const std::string &kind, const std::string &m)
{
    auto after = [&m](const char *prefix) {
        const std::string p(prefix);
        return m.rfind(p, 0) == 0 ? fromEvaluatorText(m.substr(p.size())) : QString();
    };
    if (kind.empty())
        return QStringLiteral("公式无法编译");
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

// The character column of byte column `byteColumn` (1-based) in `line`.
int characterColumn(const std::string &line, int byteColumn)
{
    if (byteColumn <= 1)
        return byteColumn;
    const size_t bytes = std::min(line.size(), size_t(byteColumn - 1));
    return int(fromEvaluatorText(line.substr(0, bytes)).size()) + 1 + int(size_t(byteColumn - 1) - bytes);
}

} // namespace

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
    // The calculation gives the evaluator the text as its one line. Only the text in hand is
    // kept: a dialog checks every state of a text being typed.
    const std::string line = toEvaluatorText(text);
    m_evaluator.clear();
    const SheetEvaluator::TextInfo &info = m_evaluator.inspect(line);
    if (info.failed) {
        result.ok = false;
        result.line = info.errorLine;
        if (result.line > 1) {
            // Found at the end of the text: just after its last character.
            result.line = 1;
            result.column = int(text.size()) + 1;
        } else if (result.line == 1) {
            result.column = characterColumn(line, info.errorColumn);
        } else {
            result.column = info.errorColumn;
        }
        const QString what = compileErrorText(info.errorClass, info.errorText);
        result.message = result.line > 0 && result.column > 0
                             ? QStringLiteral("第%1行第%2列：%3").arg(result.line).arg(result.column).arg(what)
                             : what;
        return result;
    }
    for (const std::string &n : info.names) {
        const QString name = fromEvaluatorText(n);
        if (!isKnownName(name, itemCodes))
            result.unknownNames << name;
    }
    result.unknownFunctions = info.unknownFunctions;
    // The rule the calculation reports "no value" by: RESULT is never assigned.
    result.noResult = info.noValue;

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
