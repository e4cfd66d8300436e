#pragma once
// Master data for the piece-work tests and the helpers that drive the piece-work dialogs.
#include "TestSupport.h"

#include <QApplication>
#include <QTimer>

#include <functional>

class QComboBox;
class QLineEdit;

namespace jjgz {
class TfrmJjDataMdy;
}

namespace jjgz::test {

// Job types 1 缝纫 and 2 包装; processes of 1: 001 上领 (2.5 a piece, crew 2, shares 0.3333 of
// position 01 and 0.6667 of 02), 002 锁边 (0.125), 003 钉扣 (1, no shares); coefficients 1 加急
// (1.2) and 2 普通 (1); departments 01 and 02; positions 01 车工, 02 检验, 03 组长; employees
// 0001 张三 (01, 车工), 0002 李四 (01, 检验), 0003 王五 (02, 组长), 0004 O'Neil (02, no position).
void seedMasterData(TestApp &app);

// Chooses the item `text` of a drop-down list as a click on it does.
void choose(QComboBox *list, const QString &text);
// Replaces the text of a field as typing does.
void retype(QLineEdit *edit, const QString &text);
// Types into the widget that has the focus, character by character.
void typeAtFocus(const QString &text);
void pressEnter();

// In the record dialog: a new line at the end, the employee cell in its editor.
void newLine(TfrmJjDataMdy &dialog);
// A new line whose employee is found by typing its code and Enter.
void addLineByCode(TfrmJjDataMdy &dialog, const QString &wkcode);
// Line values of the dialog as "worker|workertp|bl|je".
QStringList lineTexts(const TfrmJjDataMdy &dialog);

} // namespace jjgz::test
