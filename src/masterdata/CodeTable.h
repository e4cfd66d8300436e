#pragma once
// The code-table screens (departments, positions, job types, coefficients) are one screen
// pattern: an MDI child with an editable grid over the whole table and a column of buttons.
// Each screen is a thin subclass that hands the pattern its description (CodeTableDef).
#include "data/DataTable.h"

#include <QList>
#include <QSqlRecord>
#include <QString>
#include <QWidget>

class QGroupBox;
class QMdiSubWindow;
class QPushButton;
class QWidget;

namespace jjgz {

class DbGrid;

// One column of a code table as the screen shows and writes it.
struct CodeTableColumn {
    QString field;  // column of the table
    QString title;  // grid title
    int width = 64; // grid width in pixels
    FieldKind kind = FieldKind::Text;
    int size = 0; // text width in characters, as the database column (0: no limit)
};

// What tells the four code-table screens apart.
struct CodeTableDef {
    QString title;       // window title
    QString listCaption; // caption of the list frame
    QString table;       // database table
    CodeTableColumn code;
    CodeTableColumn name;
    QList<CodeTableColumn> further; // columns after the name (the coefficient value)
    int widthPid = 0;               // params row holding the width of proposed codes
};

// The rules of a code table, without any widget: reading the list, proposing the next code and
// checking a row before it is written. Statements run on the shared connection.
class CodeTableRules {
public:
    explicit CodeTableRules(const CodeTableDef &def) : m_def(def) {}
    const CodeTableDef &def() const { return m_def; }

    // The fields of the live table: code, name, then the further columns.
    QList<FieldDef> fields() const;
    // Every row of the table, ordered by code.
    QList<QSqlRecord> readAll() const;
    // The code proposed for a new row: the greatest code plus one, zero-filled to the width
    // parameter. Throws ConversionError when the width parameter is not a whole number.
    QString nextCode() const;
    // A row of the table has this code (compared as the database compares text: without regard
    // to letter case).
    bool codeExists(const QString &code) const;
    // Why a row may not be written ("编码不能为空", "名称不能为空", ...), or empty text when it may.
    // `originalCode` is the code the row had when it was read; ignored for a new row.
    QString checkRow(const QString &code, const QString &name, bool isNew, const QString &originalCode) const;

private:
    CodeTableDef m_def;
};

// The screen of the pattern. The subclasses only pass their description.
class TfrmCodeTable : public QWidget {
    Q_OBJECT
public:
    // Client area of every code-table window.
    static constexpr int ClientWidth = 709;
    static constexpr int ClientHeight = 396;

    explicit TfrmCodeTable(const CodeTableDef &def, QWidget *parent = nullptr);
    ~TfrmCodeTable() override;

    const CodeTableRules &rules() const { return m_rules; }

    QGroupBox *grpList = nullptr;
    DbGrid *grid = nullptr;
    DataTable *ADOQuery1 = nullptr; // the live table, bound to the database table
    QWidget *pnlButtons = nullptr;
    QPushButton *btnAppend = nullptr;
    QPushButton *btnMdy = nullptr;
    QPushButton *btnDel = nullptr;
    QPushButton *btnSave = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnClose = nullptr;

    // Re-reads the whole table (any row being edited is dropped).
    void reload();
    // The grid's find dialog (Ctrl+F): asks for a text and goes to the next cell holding it.
    void findText();
    // Goes to the next cell after the current one (by rows, wrapping round) whose text holds
    // `wanted`, ignoring letter case. False when there is none.
    bool findNext(const QString &wanted);

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void btnAppendClick();
    void btnMdyClick();
    void btnDelClick();
    void btnSaveClick();
    void btnCancelClick();
    void btnCloseClick();
    bool beforePost(DataTable &table);
    void newRecord(DataTable &table);
    void stateChanged(DataTable::State state);
    void adoptSubWindow(QMdiSubWindow *window);

    CodeTableRules m_rules;
    QString m_originalCode; // the code of the row being edited, as it was read
    QMdiSubWindow *m_window = nullptr;
};

} // namespace jjgz
