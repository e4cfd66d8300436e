#pragma once
// The preview of a spreadsheet import: every row of the file with what will happen to it and
// its problems in Chinese; 导入 stays disabled while any problem exists. The import itself is
// the caller's plain importer, run once to check (a dry run) and once to write.
#include "data/ImportResult.h"
#include "data/SheetReader.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QIcon;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace jjgz {

// The picture of the 导入 buttons: the export arrow turned to lead in.
QIcon importIcon();

class TfrmImport : public QDialog {
    Q_OBJECT
public:
    using Runner = std::function<ImportResult(const SheetTable &table, bool dryRun)>;
    // `hint` tells the clerk which columns the file may have.
    TfrmImport(const QString &title, const QString &hint, Runner runner, QWidget *parent = nullptr);

    // Asks for the file, shows its preview and imports on 导入. True when the database changed.
    static bool execute(QWidget *parent, const QString &title, const QString &hint, Runner runner);

    // Reads `path` (its sheet `sheet`, the first when empty) and shows the checked rows; a file
    // that cannot be read is shown as a message and gives false.
    bool load(const QString &path, const QString &sheet = QString());
    const ImportResult &result() const { return m_result; }

    QLabel *lblHint;
    QLabel *lblFile;
    QComboBox *cboSheet;
    QPushButton *btnOpen;
    QTableWidget *grid;
    QListWidget *lstProblems;
    QLabel *lblSummary;
    QPushButton *btnImport;
    QPushButton *btnClose;

private:
    void showResult();
    void btnOpenClick();
    void btnImportClick();
    Runner m_runner;
    QString m_path;
    SheetTable m_table;
    ImportResult m_result;
    bool m_loaded = false;
};

} // namespace jjgz
